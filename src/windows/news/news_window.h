// Command1 Okay, Command2 Cancel, Command3 Refresh, Command4 Close; web hosts the browser.
#pragma once

#include "toolkit/form.h"

#include <QStringList>
#include <QUrl>
#include <functional>

class QPushButton;

namespace lumatic {

class Browser;
class TextLabel;

// The news page's address as the window hands it on: a bare host name.
inline constexpr const char *NewsAddress = "kingpin.info";

// The page a bare host name stands for. It runs inside the application, so it is fetched
// over HTTPS only.
QUrl completeAddress(const QString &host);

// The news window, Form4: asks whether the computer is online, and only on Okay grows and
// shows the news page in an embedded browser.
class NewsWindow : public Form {
    Q_OBJECT
public:
    // Makes the browser inside the given host widget, or nothing when it cannot be had.
    using BrowserMaker = std::function<Browser *(QWidget *host)>;

    // The engine-backed browser, from its module found beside the executable or where it is
    // installed; when there is none, null, with the reason on one line of standard error.
    static Browser *engineBrowser(QWidget *host);

    explicit NewsWindow(QUrl address = completeAddress(QString::fromLatin1(NewsAddress)),
                        BrowserMaker makeBrowser = engineBrowser);
    ~NewsWindow() override;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void Form_Load();
    void navigate();
    void showNotice(const QString &text);

    QUrl address_;
    BrowserMaker makeBrowser_;
    // Made by the first Okay, never before.
    Browser *browser_ = nullptr;
    TextLabel *unavailable_ = nullptr;
    TextLabel *notice_ = nullptr;

    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    TextLabel *Label1 = nullptr;
    QWidget *web = nullptr;
};

} // namespace lumatic

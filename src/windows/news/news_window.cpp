#include "news_window.h"

#include "browser.h"
#include "browser_loader.h"
#include "toolkit/colours.h"
#include "toolkit/controls.h"
#include "toolkit/pictures.h"
#include "toolkit/twips.h"

#include <QDebug>
#include <QPainter>
#include <QPushButton>

namespace lumatic {

namespace {

constexpr std::uint32_t background = 0x404040;
constexpr std::uint32_t buttonFace = 0x808080;

// The designed sizes are outer sizes with a frame of 90 twips across and 375 down; the client
// area is what is left, whatever frame the window manager draws around it.
constexpr QSize confirmingSize = twipSize(4500 - 90, 1860 - 375);
constexpr QSize browsingSize = twipSize(5010 - 90, 5940 - 375);

QPushButton *button(QWidget *parent, const char *name, const QRect &geometry,
                    const QString &caption) {
    auto *control = new PushButton(parent, name, geometry, caption);
    control->setFont(arial(9));
    // Enter presses the button that has the focus, as Space does; none is the default.
    control->setAutoDefault(true);
    setColour(control, QPalette::Button, buttonFace);
    return control;
}

} // namespace

QUrl completeAddress(const QString &host) {
    QUrl url;
    url.setScheme(QStringLiteral("https"));
    url.setHost(host);
    url.setPath(QStringLiteral("/"));
    return url;
}

Browser *NewsWindow::engineBrowser(QWidget *host) {
    QString error;
    Browser *browser = loadBrowser(host, browserModuleCandidates(), &error);
    if (!browser)
        qWarning().noquote() << "The web browser could not be started:" << error;
    return browser;
}

NewsWindow::NewsWindow(QUrl address, BrowserMaker makeBrowser)
    : Form("Form4", QStringLiteral("Message"), browsingSize, background),
      address_(std::move(address)), makeBrowser_(std::move(makeBrowser)) {
    setWindowIcon(globeIcon());
    // Created in tab order: Okay first, so it holds the focus when the window opens.
    Command1 = button(this, "Command1", twipRect(960, 960, 1095, 315), QStringLiteral("Okay"));
    Command2 = button(this, "Command2", twipRect(2280, 960, 1095, 315), QStringLiteral("Cancel"));
    Label1 = new TextLabel(this, "Label1", twipRect(360, 120, 3615, 735),
                           QStringLiteral("Latest news and checking for patches requires a valid "
                                          "internet connection. Hit okay if you are connected "
                                          "otherwise cancel"),
                           0x000000);
    Label1->setFont(arial(9));
    web = new QWidget(this);
    place(web, "web", twipRect(120, 120, 4695, 4935));
    Command3 = button(this, "Command3", twipRect(0, 5160, 2055, 375), QStringLiteral("Refresh"));
    Command4 = button(this, "Command4", twipRect(3600, 5160, 1335, 375), QStringLiteral("Close"));
    setFocusProxy(Command1);

    connect(Command1, &QPushButton::clicked, this, &NewsWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &NewsWindow::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &NewsWindow::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &NewsWindow::Command4_Click);

    Form_Load();
}

NewsWindow::~NewsWindow() = default;

void NewsWindow::Form_Load() {
    resizeClient(confirmingSize);
    web->hide();
    Command3->hide();
    Command4->hide();
    setColour(Label1, QPalette::WindowText, textColour);
}

void NewsWindow::Command1_Click() {
    Label1->hide();
    Command1->hide();
    Command2->hide();
    Command3->show();
    Command4->show();
    web->show();
    setWindowTitle(QStringLiteral("Latest news and check for recent upgrades"));
    navigate();
    resizeClient(browsingSize);
}

void NewsWindow::Command2_Click() {
    close();
}

// Back to the news page from wherever the user went, loaded afresh from its source: the reload
// applies to the navigation just started, not to the page being left.
void NewsWindow::Command3_Click() {
    navigate();
    if (browser_)
        browser_->reloadFromSource();
}

void NewsWindow::Command4_Click() {
    close();
}

// The browser and its engine are made on the first navigation, never before Okay.
void NewsWindow::navigate() {
    if (!browser_ && !unavailable_) {
        browser_ = makeBrowser_ ? makeBrowser_(web) : nullptr;
        if (browser_) {
            browser_->widget()->setGeometry(web->rect());
            connect(browser_, &Browser::notice, this, &NewsWindow::showNotice);
        } else {
            unavailable_ =
                new TextLabel(web, "unavailable", web->rect(),
                              QStringLiteral("The web browser could not be started."), textColour);
            unavailable_->show();
        }
    }
    if (browser_) {
        if (notice_)
            notice_->hide();
        browser_->widget()->show();
        browser_->navigate(address_);
    }
}

// The browser area shows either the page or one line on why there is none.
void NewsWindow::showNotice(const QString &text) {
    if (!notice_)
        notice_ = new TextLabel(web, "notice", web->rect(), QString(), textColour);
    notice_->setText(text);
    browser_->widget()->hide();
    notice_->show();
}

void NewsWindow::paintEvent(QPaintEvent *) {
    // Line1 joins the right edge of Refresh to the left edge of Close.
    QPainter painter(this);
    painter.setPen(colourFromValue(textColour));
    painter.drawLine(px(2040), px(5400), px(3600), px(5400));
}

} // namespace lumatic

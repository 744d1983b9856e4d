#pragma once

#include "preview/preview_clocks.h"
#include "toolkit/form.h"
#include "windows/main/main_window.h"

#include <QObject>
#include <memory>

namespace lumatic {

// The application's windows, each made on first use and at most once: the main window, the
// hidden preview clocks, the help window and the news window.
class WindowRegistry : public QObject, public MainWindowHost {
    Q_OBJECT
public:
    using Factory = WindowSlot<Form>::Factory;

    // The help and news windows come from the given factories.
    WindowRegistry(Factory help, Factory news);
    ~WindowRegistry() override;

    MainWindow &mainWindow() { return main_.get(); }
    Form &helpWindow() { return help_.get(); }
    Form &newsWindow() { return news_.get(); }
    PreviewClocks &clocks() override;

    MainWindow *existingMainWindow() const { return main_.existing(); }
    Form *existingHelpWindow() const { return help_.existing(); }
    Form *existingNewsWindow() const { return news_.existing(); }
    PreviewClocks *existingClocks() override { return clocks_.get(); }

    void showHelp() override { help_.get().showNonModal(); }
    void showNews() override { news_.get().showNonModal(); }
    void closeAll() override;

    bool anyOpen() const;

signals:
    // The last window has closed: the application is over.
    void ended();

private:
    void mainClosed();
    void closeEverything(bool wasOpen);
    void windowClosed();

    WindowSlot<MainWindow> main_;
    std::unique_ptr<PreviewClocks> clocks_;
    WindowSlot<Form> help_;
    WindowSlot<Form> news_;
    bool closingAll_ = false;
};

} // namespace lumatic

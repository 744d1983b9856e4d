#pragma once

#include "app/window_registry.h"
#include "control.h"
#include "toolkit/controls.h"
#include "windows/help/help_window.h"
#include "windows/news/news_window.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <memory>

namespace lumatic::test {

// The application's windows with the main window shown on screen, made afresh by init() and
// gone after cleanup(); a test class calls both from its own slots of those names. The news
// window's page is newsPage, and its browser the program's own unless one is given.
class ShownMainWindow {
public:
    explicit ShownMainWindow(NewsWindow::BrowserMaker browser = NewsWindow::engineBrowser)
        : browser_(std::move(browser)) {}

    void init() {
        registry_ = std::make_unique<WindowRegistry>(
            [] { return new HelpWindow; }, [this] { return new NewsWindow(newsPage, browser_); });
        main().showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }
    void cleanup() { registry_.reset(); }

    QUrl newsPage{"http://127.0.0.1:9/"}; // nowhere unless a test serves one
    WindowRegistry &registry() { return *registry_; }
    MainWindow &main() { return registry_->mainWindow(); }
    template <class T = QWidget> T *control(const QString &name) {
        return test::control<T>(main(), name);
    }
    std::optional<int> runningClock() { return registry_->clocks().runningClock(); }

    // Runs the event loop with the action as its first event, to the application's end: 0 when
    // the windows end it, 99 when they have not within ten seconds.
    int runToTheEnd(const std::function<void()> &action) {
        QObject::connect(registry_.get(), &WindowRegistry::ended, qApp, &QCoreApplication::quit);
        QTimer::singleShot(0, &main(), action);
        QTimer watchdog;
        watchdog.callOnTimeout([] { QCoreApplication::exit(99); });
        watchdog.start(10000);
        return QCoreApplication::exec();
    }

private:
    NewsWindow::BrowserMaker browser_;
    std::unique_ptr<WindowRegistry> registry_;
};

} // namespace lumatic::test

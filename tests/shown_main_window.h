#pragma once

#include "app/window_registry.h"
#include "control.h"
#include "windows/help/help_window.h"
#include "windows/news/news_window.h"

#include <QTest>
#include <memory>

namespace lumatic::test {

// The application's windows with the main window shown on screen, made afresh by init() and
// gone after cleanup(); a test class calls both from its own slots of those names. The news
// window's page is nowhere.
class ShownMainWindow {
public:
    void init() {
        registry_ = std::make_unique<WindowRegistry>(
            [] { return new HelpWindow; },
            [] { return new NewsWindow(QUrl("http://127.0.0.1:9/")); });
        main().showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main()));
    }
    void cleanup() { registry_.reset(); }

    WindowRegistry &registry() { return *registry_; }
    MainWindow &main() { return registry_->mainWindow(); }
    template <class T = QWidget> T *control(const QString &name) {
        return test::control<T>(main(), name);
    }
    std::optional<int> runningClock() { return registry_->clocks().runningClock(); }

private:
    std::unique_ptr<WindowRegistry> registry_;
};

} // namespace lumatic::test

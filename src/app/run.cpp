#include "run.h"

#include "toolkit/application.h"
#include "window_registry.h"
#include "windows/help/help_window.h"
#include "windows/news/news_window.h"

#include <QApplication>

namespace lumatic {

int run(int argc, char **argv, const std::function<void(WindowRegistry &)> &started) {
    // The program takes no command line: Qt sees the program name only.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    setUpApplication(app);
    WindowRegistry windows([] { return new HelpWindow; }, [] { return new NewsWindow; });
    QObject::connect(&windows, &WindowRegistry::ended, &app, &QApplication::quit);
    windows.mainWindow().showNonModal();
    if (started)
        started(windows);
    return app.exec();
}

} // namespace lumatic

// The yardstick: a bare Qt Widgets window of the main window's client size, built with the same
// flags and measured the same way. Modes (first argument): startup, idle.

#include "probe.h"

#include <QApplication>
#include <QWidget>
#include <cstring>

int main(int argc, char **argv) {
    const bool idle = argc > 1 && std::strcmp(argv[1], "idle") == 0;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QWidget window;
    window.setFixedSize(298, 379);
    bench::WakeupCounter counter;
    new bench::FirstFrame(&window, [&] {
        bench::report("first_frame_ns", double(bench::nowNs()));
        bench::report("webengine_files_mapped", bench::mappedFiles("WebEngine"));
        if (!idle) {
            QTimer::singleShot(0, &app, &QApplication::quit);
            return;
        }
        QTimer::singleShot(1000, &app, [&] { counter.measure(10, "idle", [&] { app.quit(); }); });
    });
    window.show();
    return app.exec();
}

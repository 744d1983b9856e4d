#include "app/setup.h"
#include "app/windows.h"

#include <QApplication>

int main(int argc, char **argv) {
    // The program takes no command line: Qt sees the program name only.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    lumatic::setUpApplication(app);
    lumatic::Windows windows(nullptr, nullptr);
    QObject::connect(&windows, &lumatic::Windows::ended, &app, &QApplication::quit);
    windows.Form1().showNonModal();
    return app.exec();
}

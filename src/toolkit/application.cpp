#include "application.h"

#include "pictures.h"

#include <QApplication>
#include <QFont>

namespace lumatic {

void setUpApplication(QApplication &app) {
    QApplication::setApplicationName(QStringLiteral("lumatic"));
    QApplication::setApplicationDisplayName(QString());
    // The desktop entry's id: on Wayland the app id, by which docks find its launcher and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.example.Lumatic"));
    QApplication::setWindowIcon(bookIcon());
    // The list captions must each fit on one line of their 129 x 13 pixel labels.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans")});
    font.setPointSizeF(8);
    app.setFont(font);
    // The windows end the application themselves, once the last of them has closed.
    QApplication::setQuitOnLastWindowClosed(false);
}

} // namespace lumatic

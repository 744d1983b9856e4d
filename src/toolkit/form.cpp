#include "form.h"

#include "colours.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace lumatic {

Form::Form(const char *name, const QString &caption, QSize clientSize, std::uint32_t background)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    setColour(this, QPalette::Window, background);
}

void Form::showNonModal() {
    if (!placed_) {
        placed_ = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void Form::resizeClient(QSize clientSize) {
    const QPoint corner = pos();
    setFixedSize(clientSize);
    move(corner);
}

void Form::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace lumatic

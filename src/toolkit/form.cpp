#include "form.h"

#include "accessibility.h"
#include "colours.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

namespace lumatic {

Form::Form(const char *name, const QString &caption, QSize clientSize, std::uint32_t background)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    installAccessibility();
    setObjectName(QLatin1String(name));
    setWindowTitle(caption);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(clientSize);
    setAutoFillBackground(true);
    setColour(this, QPalette::Window, background);
}

namespace {

QRect availableArea(const QWidget *window) {
    const QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Where a window's frame of the given size goes to show whole, moved as little as it can from
// the corner asked for: up or left to the area's edge, and to its top left if it is too big.
QPoint within(const QRect &area, QPoint corner, QSize frame) {
    corner.setX(std::max(area.left(), std::min(corner.x(), area.right() + 1 - frame.width())));
    corner.setY(std::max(area.top(), std::min(corner.y(), area.bottom() + 1 - frame.height())));
    return corner;
}

} // namespace

void Form::showNonModal() {
    if (!placed_) {
        placed_ = true;
        // Until a window manager has framed it, the window is all there is to centre.
        centreOnceFramed_ = true;
        centre();
    }
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void Form::centre() {
    const QRect area = availableArea(this);
    const QSize frame = frameGeometry().size();
    // On a screen smaller than the window, the title bar and its buttons stay on it.
    move(within(area,
                area.topLeft() + QPoint((area.width() - frame.width()) / 2,
                                        (area.height() - frame.height()) / 2),
                frame));
}

void Form::resizeClient(QSize clientSize) {
    const QRect frame = frameGeometry();
    const QSize border = frame.size() - size();
    setFixedSize(clientSize);
    move(within(availableArea(this), frame.topLeft(), clientSize + border));
}

void Form::moveEvent(QMoveEvent *event) {
    QWidget::moveEvent(event);
    // A window manager frames a window after it is shown: centre it again, frame and all.
    if (centreOnceFramed_ && frameGeometry() != geometry()) {
        centreOnceFramed_ = false;
        centre();
    }
}

void Form::closeEvent(QCloseEvent *event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace lumatic

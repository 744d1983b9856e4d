#include "controls.h"

#include "colours.h"
#include "twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumatic {

namespace {

// A click is a left press and release over the same control, as on a button.
bool isClick(const QWidget *widget, const QMouseEvent *event) {
    return event->button() == Qt::LeftButton &&
           widget->rect().contains(event->position().toPoint());
}

} // namespace

QFont arial(double points) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    return font;
}

void place(QWidget *control, const char *name, const QRect &geometry) {
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    control->setFocusPolicy(Qt::NoFocus);
}

TextLabel::TextLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text,
                     std::uint32_t colour)
    : QLabel(text, parent) {
    place(this, name, geometry);
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_NoMousePropagation);
    setColour(this, QPalette::WindowText, colour);
}

void TextLabel::uncover(const QWidget *sibling) {
    const QRegion reached = mask().isEmpty() ? QRegion(rect()) : mask();
    setMask(reached - sibling->geometry().translated(-pos()));
}

void TextLabel::paintEvent(QPaintEvent *event) {
    if (!breakLongWords_) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    QTextOption layout(alignment());
    layout.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(QRectF(contentsRect()), text(), layout);
}

void ClickableLabel::mousePressEvent(QMouseEvent *event) {
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    if (isClick(this, event))
        emit clicked();
}

Frame::Frame(QWidget *parent, const char *name, const QRect &geometry, const QString &caption,
             std::uint32_t background, std::uint32_t captionColour, const QFont &captionFont)
    : QWidget(parent), caption_(caption), captionColour_(colourFromValue(captionColour)),
      captionFont_(captionFont) {
    place(this, name, geometry);
    setAccessibleName(caption);
    setAutoFillBackground(true);
    setColour(this, QPalette::Window, background);
    setAttribute(Qt::WA_NoMousePropagation);
}

void Frame::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setFont(captionFont_);
    // The widget's own metrics: the screen's may differ from the application's default.
    const QFontMetrics metrics(captionFont_, this);
    // The border runs through the middle of the caption's line, and the caption breaks it.
    const int borderTop = metrics.height() / 2;
    painter.setPen(captionColour_);
    painter.drawRect(QRect(0, borderTop, width() - 1, height() - borderTop - 1));
    const int captionLeft = px(120) - 2;
    const QRect captionBox(captionLeft, 0, metrics.horizontalAdvance(caption_) + 4,
                           metrics.height());
    painter.fillRect(captionBox, palette().window());
    painter.drawText(captionBox, Qt::AlignCenter, caption_);
}

PictureButton::PictureButton(QWidget *parent, const char *name, const QRect &geometry,
                             QPixmap picture, const QString &accessibleName, const QString &toolTip)
    : QAbstractButton(parent), picture_(std::move(picture)) {
    place(this, name, geometry);
    setToolTip(toolTip);
    setAccessibleName(accessibleName);
    setAttribute(Qt::WA_NoMousePropagation);
}

void PictureButton::paintEvent(QPaintEvent *) {
    QPainter(this).drawPixmap(0, 0, picture_);
}

Swatch::Swatch(QWidget *parent, const char *name, const QRect &geometry, std::uint32_t fill,
               std::uint32_t outline)
    : QWidget(parent), fill_(fill), outline_(colourFromValue(outline)) {
    place(this, name, geometry);
    setAccessibleName(QStringLiteral("Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoMousePropagation);
}

void Swatch::setBackColor(std::uint32_t value) {
    if (value == fill_)
        return;
    fill_ = value;
    // The outline stays as it is; repainting it would also repaint the label that overlaps it.
    update(rect().adjusted(1, 1, -1, -1));
}

void Swatch::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(outline_);
    painter.setBrush(colourFromValue(fill_));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

PositionBox::PositionBox(QWidget *parent, const char *name, const QRect &geometry,
                         const QString &text)
    : QLineEdit(text, parent) {
    place(this, name, geometry);
    setAccessibleName(QStringLiteral("Position"));
    // Only the clocks write it.
    setReadOnly(true);
    keepDisabledText();
    // It fills its whole box, so a tick's new text repaints nothing beneath it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoMousePropagation);
}

void PositionBox::write(const QString &text) {
    setText(text);
    emit written();
}

// Disabled, the box draws its text in the classic disabled grey, readable on a dark box; a
// style's own disabled colour is about the labels' grey and differs between desktop themes.
void PositionBox::keepDisabledText() {
    const QColor grey = colourFromValue(disabledTextColour);
    if (palette().color(QPalette::Disabled, QPalette::Text) == grey)
        return;
    QPalette colours = palette();
    colours.setColor(QPalette::Disabled, QPalette::Text, grey);
    setPalette(colours);
}

void PositionBox::changeEvent(QEvent *event) {
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        keepDisabledText();
}

PushButton::PushButton(QWidget *parent, const char *name, const QRect &geometry,
                       const QString &caption)
    : QPushButton(caption, parent) {
    setObjectName(QLatin1String(name));
    setGeometry(geometry);
}

void PushButton::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, palette().button());
    // Two lines of edge: light above and left, dark below and right; swapped while pressed.
    const bool sunk = isDown();
    const auto edge = [&](const QRect &box, QColor above, QColor below) {
        painter.setPen(sunk ? below : above);
        painter.drawLine(box.topLeft(), box.topRight() - QPoint(1, 0));
        painter.drawLine(box.topLeft(), box.bottomLeft() - QPoint(0, 1));
        painter.setPen(sunk ? above : below);
        painter.drawLine(box.bottomLeft(), box.bottomRight());
        painter.drawLine(box.topRight(), box.bottomRight());
    };
    edge(face, Qt::white, Qt::black);
    edge(face.adjusted(1, 1, -1, -1), colourFromValue(edgeLight), colourFromValue(edgeShadow));
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(face.translated(sunk ? QPoint(1, 1) : QPoint()), Qt::AlignCenter, text());
    if (hasFocus()) {
        // Every other pixel, as the classic focus rectangle is drawn.
        const QRect focus = face.adjusted(3, 3, -4, -4);
        const QColor dot = palette().color(QPalette::ButtonText);
        for (int x = focus.left(); x <= focus.right(); x += 2) {
            painter.fillRect(x, focus.top(), 1, 1, dot);
            painter.fillRect(x, focus.bottom(), 1, 1, dot);
        }
        for (int y = focus.top(); y <= focus.bottom(); y += 2) {
            painter.fillRect(focus.left(), y, 1, 1, dot);
            painter.fillRect(focus.right(), y, 1, 1, dot);
        }
    }
}

} // namespace lumatic

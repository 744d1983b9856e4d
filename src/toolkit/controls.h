#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <cstdint>

namespace lumatic {

// Arial as the layouts name it, in its metric-compatible twin Liberation Sans: naming that first
// spares fontconfig a substitution at every start.
QFont arial(double points);

// Puts a child at a designed position and gives it the name the rest of the code knows it by.
void place(QWidget *control, const char *name, const QRect &geometry);

// A caption over a transparent background, wrapped at word boundaries and cut off where the
// box ends. It reacts to no mouse button, and no click on it reaches the window behind it.
class TextLabel : public QLabel {
    Q_OBJECT
public:
    TextLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text,
              std::uint32_t colour);

    // From now on a word longer than the line breaks between letters and goes on in the next.
    void breakLongWords() { breakLongWords_ = true; }

    // Clicks on the given sibling, which lies behind the label, reach the sibling.
    void uncover(const QWidget *sibling);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool breakLongWords_ = false;
};

// A text label that delivers a click: a press and release of the left button over it.
class ClickableLabel : public TextLabel {
    Q_OBJECT
public:
    using TextLabel::TextLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};

// A flat frame: one-line border broken by its caption, the caption strip counted in the
// frame's own coordinates. Clicks on it go nowhere.
class Frame : public QWidget {
    Q_OBJECT
public:
    Frame(QWidget *parent, const char *name, const QRect &geometry, const QString &caption,
          std::uint32_t background, std::uint32_t captionColour, const QFont &captionFont);

    QString caption() const { return caption_; }
    QColor captionColour() const { return captionColour_; }
    // The caption has a font of its own; the controls inside keep the window's.
    QFont captionFont() const { return captionFont_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString caption_;
    QColor captionColour_;
    QFont captionFont_;
};

// A picture at its natural size that acts as a button: it draws itself raised, and clicks
// like any button, so assistive tools see and press it as one.
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    PictureButton(QWidget *parent, const char *name, const QRect &geometry, QPixmap picture,
                  const QString &accessibleName, const QString &toolTip = {});

    const QPixmap &picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
};

// The preview swatch: a rectangle filled with its colour, outlined.
class Swatch : public QWidget {
    Q_OBJECT
public:
    Swatch(QWidget *parent, const char *name, const QRect &geometry, std::uint32_t fill,
           std::uint32_t outline);

    std::uint32_t backColor() const { return fill_; }
    void setBackColor(std::uint32_t value);
    QColor outlineColour() const { return outline_; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::uint32_t fill_;
    QColor outline_;
};

// A read-only text box that announces every write, also one that leaves the text as it was:
// the swatch must follow whichever clock wrote last, and clocks of equal length write equal
// texts.
class PositionBox : public QLineEdit {
    Q_OBJECT
public:
    PositionBox(QWidget *parent, const char *name, const QRect &geometry, const QString &text);

    void write(const QString &text);

signals:
    void written();

protected:
    void changeEvent(QEvent *event) override;

private:
    void keepDisabledText();
};

// A push button drawn as the classic graphical style does: a flat face in its Button colour
// with a raised edge, sunk while pressed, and a dotted rectangle while it has the focus.
class PushButton : public QPushButton {
    Q_OBJECT
public:
    PushButton(QWidget *parent, const char *name, const QRect &geometry, const QString &caption);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace lumatic

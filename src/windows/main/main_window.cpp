#include "main_window.h"

#include "preview/preview_clocks.h"
#include "preview/preview_sequence.h"
#include "toolkit/colours.h"
#include "toolkit/controls.h"
#include "toolkit/pictures.h"
#include "toolkit/twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace lumatic {

namespace {

constexpr std::uint32_t versionColour = 0xE0E0E0;
constexpr std::uint32_t bandColour = 0x404040;
constexpr std::uint32_t swatchStart = 0x808080;

// The title band: 20 pixels thick on Y 240, from the left margin out past the right edge.
constexpr int bandY = 240, bandFrom = 120, bandTo = 4680, bandWidth = 20;

} // namespace

// Siblings are created back to front: a later one is drawn over an earlier one. The window
// shows the application's icon, the open book.
MainWindow::MainWindow(MainWindowHost &host)
    : Form("Form1", QStringLiteral("Kingpin Lumatic"), twipSize(4470, 5685), darkBackground),
      host_(host) {
    makeTopStrip();
    makeInformation();
    makeLists();
    // A pattern is one long word: it wraps between letters rather than run off the edge.
    for (TextLabel *label : findChildren<TextLabel *>())
        label->breakLongWords();
    Form_Load();
}

void MainWindow::makeTopStrip() {
    auto *Image1 = new PictureButton(this, "Image1", twipRect(3360, 0, 360, 330),
                                     picture(Picture::HelpButton), QStringLiteral("Help and About"),
                                     QStringLiteral("Help and About Lumatic v1.0"));
    auto *Image2 = new PictureButton(this, "Image2", twipRect(3720, 0, 360, 330),
                                     picture(Picture::NewsButton), QStringLiteral("News"));
    auto *Label22 = new TextLabel(this, "Label22", twipRect(120, 120, 3375, 255),
                                  QStringLiteral("Lumatic v1.0 (For Kingpin)"), versionColour);
    Label22->setFont(arial(9));
    auto *Image3 = new PictureButton(
        this, "Image3", twipRect(4080, 0, 360, 330), picture(Picture::CloseButton),
        QStringLiteral("Close Everything"), QStringLiteral("Close Everything"));
    // The version label lies over the help button's left edge: the button takes those clicks.
    Label22->uncover(Image1);
    connect(Image1, &PictureButton::clicked, this, &MainWindow::Image1_Click);
    connect(Image2, &PictureButton::clicked, this, &MainWindow::Image2_Click);
    connect(Image3, &PictureButton::clicked, this, &MainWindow::Image3_Click);
}

void MainWindow::makeInformation() {
    auto *Frame1 = new Frame(this, "Frame1", twipRect(120, 3240, 4215, 2295),
                             QStringLiteral("Style Information and Uses"), darkBackground,
                             captionColour, arial(9));
    strings =
        new TextLabel(Frame1, "strings", twipRect(120, 480, 3975, 375),
                      QStringLiteral("strings abc... a=dark, m=normal, z=bright"), textColour);
    preview =
        new Swatch(Frame1, "preview", twipRect(120, 1800, 3975, 375), swatchStart, captionColour);
    // Its first grey is none of the levels.
    preview->setAccessibleDescription(QStringLiteral("No level"));
    uses = new TextLabel(Frame1, "uses", twipRect(120, 1080, 3975, 735), QStringLiteral("uses"),
                         textColour);
    style = new TextLabel(Frame1, "style", twipRect(120, 240, 3975, 255),
                          QStringLiteral("style name"), textColour);
    stylerun = new PositionBox(Frame1, "stylerun", twipRect(120, 840, 3975, 285),
                               QStringLiteral("Number of strings and which is being previewed"));
    for (QWidget *control : std::initializer_list<QWidget *>{strings, uses, style, stylerun})
        control->setFont(arial(9));
    stylerun->setFrame(false);
    stylerun->setEnabled(false);
    setColour(stylerun, QPalette::Base, darkBackground);
    setColour(stylerun, QPalette::Text, textColour);
    connect(stylerun, &PositionBox::written, this, &MainWindow::stylerun_Change);
}

void MainWindow::makeLists() {
    auto *Frame2 = new Frame(this, "Frame2", twipRect(120, 360, 2055, 2775),
                             QStringLiteral("Lumatic"), darkBackground, captionColour, arial(9));
    auto *Frame3 =
        new Frame(this, "Frame3", twipRect(2280, 360, 2055, 2775),
                  QStringLiteral("Lumatic Continued"), darkBackground, captionColour, arial(9));
    for (int label = 1; label <= styleCount; ++label) {
        const int entry = entryOfLabel(label);
        const int row = entry <= 10 ? entry : entry - 10;
        const QByteArray name = "Label" + QByteArray::number(label);
        auto *control = new ClickableLabel(
            entry <= 10 ? Frame2 : Frame3, name.constData(), twipRect(120, 240 * row, 1935, 195),
            QString::fromLatin1(styleEntry(entry).caption), textColour);
        connect(control, &ClickableLabel::clicked, this, [this, label] { Label_Click(label); });
    }
}

void MainWindow::Form_Load() {
    levelColours_.fill();
}

void MainWindow::showPosition(const QString &text) {
    stylerun->write(text);
}

void MainWindow::Label_Click(int label) {
    const StyleEntry &entry = styleEntry(entryOfLabel(label));
    style->setText(QString::fromLatin1(entry.displayName));
    strings->setText(QString::fromLatin1(entry.pattern));
    PreviewClocks &clocks = host_.clocks();
    for (int clock = 1; clock <= clockCount; ++clock)
        clocks.setEnabled(clock, clock == entry.clock);
    uses->setText(QString::fromLatin1(entry.info));
}

void MainWindow::stylerun_Change() {
    // The one place that goes on past a failing step: the swatch then keeps its colour.
    const PreviewClocks *clocks = host_.existingClocks();
    const auto running = clocks ? clocks->runningClock() : std::nullopt;
    const auto level = swatchLevel(levelColours_, running, stylerun->text().toStdString());
    if (!level || preview->backColor() == std::uint32_t(level->colour))
        return;
    // Each level has a grey of its own, so the description changes only with the colour.
    preview->setBackColor(std::uint32_t(level->colour));
    preview->setAccessibleDescription(QStringLiteral("Level ") + QLatin1Char(level->letter));
}

void MainWindow::stopAllClocks() {
    host_.clocks().stopAll();
}

void MainWindow::Form_Click() {
    stopAllClocks();
}

void MainWindow::Image1_Click() {
    host_.showHelp();
    stopAllClocks();
}

void MainWindow::Image2_Click() {
    host_.showNews();
    stopAllClocks();
}

void MainWindow::Image3_Click() {
    stopAllClocks();
    host_.closeAll();
}

void MainWindow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setPen(QPen(colourFromValue(bandColour), bandWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(px(bandFrom), px(bandY), px(bandTo), px(bandY));
}

void MainWindow::mousePressEvent(QMouseEvent *event) {
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void MainWindow::mouseReleaseEvent(QMouseEvent *event) {
    event->accept();
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        Form_Click();
}

} // namespace lumatic

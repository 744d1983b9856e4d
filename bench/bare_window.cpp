// The yardstick: a bare Qt Widgets window of the main window's client size, built with the same
// flags and measured the same way. Modes (first argument): startup, idle; label, the start-up of
// the same window showing one line of text, which is what any text costs (the font system);
// content, the main window's content in stock widgets (labels, group boxes, a line edit and
// labels showing the pictures) with its geometry, texts, fonts, colours and pictures, which is
// the floor for showing what the main window shows;
// and play TICKS [PHASE_NS], where a frameless line edit and a swatch, both opaque and placed as
// the main window's position box and swatch, change every 120 ms: the least that any preview of
// this design asks of Qt and X. Play reports its tick timestamps as the application's preview
// does; given PHASE_NS (CLOCK_MONOTONIC), its ticks fall on PHASE_NS + k x 120 ms, so that the
// driver can place them between the application's while both play.

#include "data/style_catalogue.h"
#include "pictures/button-close.xpm"
#include "pictures/button-help.xpm"
#include "pictures/button-news.xpm"
#include "pictures/icon-book-16.xpm"
#include "pictures/icon-book-32.xpm"
#include "probe.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Made only for play: in the other modes the window must stay bare, without a single text.
std::function<void(int)> addPreview(QWidget &window) {
    auto *box = new QLineEdit(&window);
    box->setGeometry(24, 272, 265, 19);
    box->setFrame(false);
    box->setEnabled(false);
    box->setAttribute(Qt::WA_OpaquePaintEvent);
    auto *swatch = new QWidget(&window);
    swatch->setGeometry(24, 336, 265, 25);
    swatch->setAutoFillBackground(true);
    return [box, swatch](int tick) {
        box->setText(QStringLiteral("%1/51").arg(tick % 51 + 1));
        QPalette colours = swatch->palette();
        colours.setColor(QPalette::Window, QColor::fromHsv(0, 0, tick * 5 % 256));
        swatch->setPalette(colours);
    };
}

// Colours as the main window's are designed: 0x00BBGGRR, red in the lowest byte.
QColor rgb(QRgb value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

void colour(QWidget *widget, QPalette::ColorRole role, QRgb value) {
    QPalette colours = widget->palette();
    colours.setColor(role, rgb(value));
    widget->setPalette(colours);
}

QFont arial9() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPointSizeF(9);
    return font;
}

QLabel *label(QWidget *parent, const QRect &place, const QString &text, QRgb textColour,
              bool arial = true) {
    auto *made = new QLabel(text, parent);
    made->setGeometry(place);
    made->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    colour(made, QPalette::WindowText, textColour);
    // The list's captions each take one line in the application's font, not their frame's;
    // the others wrap as the main window's do.
    made->setWordWrap(arial);
    made->setFont(arial ? arial9() : QApplication::font());
    return made;
}

QGroupBox *frame(QWidget *parent, const QRect &place, const QString &caption) {
    auto *made = new QGroupBox(caption, parent);
    made->setGeometry(place);
    made->setFont(arial9());
    colour(made, QPalette::WindowText, 0xA6C1C6);
    return made;
}

QLabel *picture(QWidget *parent, const QRect &place, const char *const *xpm) {
    auto *made = new QLabel(parent);
    made->setGeometry(place);
    made->setPixmap(QPixmap(xpm));
    return made;
}

// The main window's content, in stock widgets, back to front as there.
void addContent(QApplication &app, QWidget &window) {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans")});
    font.setPointSizeF(8);
    app.setFont(font);
    QIcon icon;
    icon.addPixmap(QPixmap(icon_book_16_xpm));
    icon.addPixmap(QPixmap(icon_book_32_xpm));
    QApplication::setWindowIcon(icon);
    window.setWindowTitle(QStringLiteral("Kingpin Lumatic"));
    window.setAutoFillBackground(true);
    colour(&window, QPalette::Window, 0x1D1D1D);
    auto *band = new QLabel(&window);
    band->setGeometry(8, 6, 290, 20);
    band->setAutoFillBackground(true);
    colour(band, QPalette::Window, 0x404040);
    picture(&window, {224, 0, 24, 22}, button_help_xpm);
    picture(&window, {248, 0, 24, 22}, button_news_xpm);
    label(&window, {8, 8, 225, 17}, QStringLiteral("Lumatic v1.0 (For Kingpin)"), 0xE0E0E0);
    picture(&window, {272, 0, 24, 22}, button_close_xpm);
    QGroupBox *information =
        frame(&window, {8, 216, 281, 153}, QStringLiteral("Style Information and Uses"));
    label(information, {8, 32, 265, 25},
          QStringLiteral("strings abc... a=dark, m=normal, z=bright"), 0xC0C0C0);
    auto *swatch = new QLabel(information);
    swatch->setGeometry(8, 120, 265, 25);
    swatch->setFrameShape(QFrame::Box);
    swatch->setAutoFillBackground(true);
    colour(swatch, QPalette::Window, 0x808080);
    colour(swatch, QPalette::WindowText, 0xA6C1C6);
    label(information, {8, 72, 265, 49}, QStringLiteral("uses"), 0xC0C0C0);
    label(information, {8, 16, 265, 17}, QStringLiteral("style name"), 0xC0C0C0);
    auto *box = new QLineEdit(QStringLiteral("Number of strings and which is being previewed"),
                              information);
    box->setGeometry(8, 56, 265, 19);
    box->setFont(arial9());
    box->setFrame(false);
    box->setEnabled(false);
    colour(box, QPalette::Base, 0x1D1D1D);
    colour(box, QPalette::Text, 0xC0C0C0);
    QGroupBox *lists[] = {frame(&window, {8, 24, 137, 185}, QStringLiteral("Lumatic")),
                          frame(&window, {152, 24, 137, 185}, QStringLiteral("Lumatic Continued"))};
    for (const lumatic::StyleEntry &entry : lumatic::styleCatalogue) {
        const int row = entry.number <= 10 ? entry.number : entry.number - 10;
        label(lists[entry.number > 10], {8, 16 * row, 129, 13},
              QString::fromLatin1(entry.caption.data(), qsizetype(entry.caption.size())), 0xC0C0C0,
              false);
    }
}

} // namespace

int main(int argc, char **argv) {
    const std::int64_t mainNs = bench::nowNs();
    const std::string mode = argc > 1 ? argv[1] : "startup";
    const int ticks = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    const std::int64_t phaseNs = argc > 3 ? std::atoll(argv[3]) : 0;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QWidget window;
    window.setFixedSize(298, 379);

    std::int64_t shownNs = 0;
    bench::WakeupCounter counter;
    QTimer clock;
    clock.setTimerType(Qt::PreciseTimer);
    clock.setInterval(120);
    if (mode == "label")
        (new QLabel(QStringLiteral("Lumatic"), &window))->move(8, 8);
    if (mode == "content")
        addContent(app, window);
    if (mode == "play") {
        auto stamps = std::make_shared<std::vector<std::int64_t>>();
        stamps->reserve(std::size_t(ticks) + 1);
        QObject::connect(&clock, &QTimer::timeout, &app, [&, stamps, tick = addPreview(window)] {
            stamps->push_back(bench::nowNs());
            tick(int(stamps->size()) - 1);
            if (stamps->size() == 1)
                counter.start("play");
            if (stamps->size() != std::size_t(ticks) + 1)
                return;
            counter.stop("play", 0);
            std::vector<std::string> line;
            for (std::int64_t t : *stamps)
                line.push_back(std::to_string(t));
            bench::report("tick_ns", bench::joined(line));
            app.quit();
        });
    }
    // The clock starts one interval before the first tick on the phase that is still ahead.
    auto startClock = [&] {
        if (!phaseNs) {
            clock.start();
            return;
        }
        const std::int64_t intervalNs = 120'000'000, soonest = bench::nowNs() + 2'000'000;
        std::int64_t startNs = phaseNs - intervalNs;
        if (startNs < soonest)
            startNs += (soonest - startNs + intervalNs - 1) / intervalNs * intervalNs;
        const int waitMs = int(std::lround(double(startNs - bench::nowNs()) / 1e6));
        QTimer::singleShot(std::max(0, waitMs), Qt::PreciseTimer, &clock,
                           qOverload<>(&QTimer::start));
    };

    new bench::FirstFrame(&window, [&] {
        bench::report("first_frame_ns", double(bench::nowNs()));
        bench::report("main_ns", double(mainNs));
        bench::report("shown_ns", double(shownNs));
        bench::report("webengine_files_mapped", bench::mappedFiles("WebEngine"));
        bench::report("libraries_mapped", bench::mappedFiles(".so"));
        if (mode == "idle")
            QTimer::singleShot(1000, &app,
                               [&] { counter.measure(10, "idle", [&] { app.quit(); }); });
        else if (mode == "play")
            startClock();
        else
            QTimer::singleShot(0, &app, &QApplication::quit);
    });
    window.show();
    shownNs = bench::nowNs();
    return app.exec();
}

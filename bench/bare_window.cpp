// The yardstick: a bare Qt Widgets window of the main window's client size, built with the same
// flags and measured the same way. Modes (first argument): startup, idle; label, the start-up of
// the same window showing one line of text, which is what any text costs (the font system);
// and play TICKS [PHASE_NS], where a frameless line edit and a swatch, both opaque and placed as
// the main window's position box and swatch, change every 120 ms: the least that any preview of
// this design asks of Qt and X. Play reports its tick timestamps as the application's preview
// does; given PHASE_NS (CLOCK_MONOTONIC), its ticks fall on PHASE_NS + k x 120 ms, so that the
// driver can place them between the application's while both play.

#include "probe.h"

#include <QApplication>
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

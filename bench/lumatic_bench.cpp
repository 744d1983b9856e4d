// The application as shipped (lumatic::run, as in src/app/main.cpp) with probes added once the
// main window is shown. Modes (first argument): startup, preview, news URL, and for finding
// what a tick costs, play TICKS.

#include "app/run.h"
#include "app/window_registry.h"
#include "control.h"
#include "probe.h"
#include "toolkit/controls.h"
#include "windows/news/browser.h"
#include "windows/news/news_window.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <memory>
#include <vector>

namespace {

using lumatic::WindowRegistry;
using lumatic::test::control;

void quit(WindowRegistry &windows) {
    QTimer::singleShot(0, &windows, [&windows] { windows.mainWindow().Image3_Click(); });
}

// The phases of start-up: loading up to main(), construction up to the shown main window, and
// the event loop up to the end of the first frame.
void reportStartup(std::int64_t mainNs, std::int64_t shownNs) {
    bench::report("first_frame_ns", double(bench::nowNs()));
    bench::report("main_ns", double(mainNs));
    bench::report("shown_ns", double(shownNs));
    bench::report("webengine_files_mapped", bench::mappedFiles("WebEngine"));
    bench::report("web_module_mapped", bench::mappedFiles("lumatic-web"));
    bench::report("libraries_mapped", bench::mappedFiles(".so"));
}

// Idle, then entry 2 playing for ticks+1 writes of the position box, then idle again after a
// click on the form has stopped it.
void preview(WindowRegistry &windows, int ticks) {
    auto *counter = new bench::WakeupCounter;
    counter->setParent(&windows);
    auto stamps = std::make_shared<std::vector<std::int64_t>>();
    stamps->reserve(std::size_t(ticks) + 1);
    lumatic::MainWindow &main = windows.mainWindow();
    QObject::connect(control<lumatic::PositionBox>(main, "stylerun"),
                     &lumatic::PositionBox::written, counter, [=, &windows, &main] {
                         if (stamps->size() > std::size_t(ticks))
                             return;
                         stamps->push_back(bench::nowNs());
                         if (stamps->size() == 1)
                             counter->start("preview");
                         if (stamps->size() != std::size_t(ticks) + 1)
                             return;
                         counter->stop("preview", 0);
                         std::vector<std::string> line;
                         for (std::int64_t t : *stamps)
                             line.push_back(std::to_string(t));
                         bench::report("tick_ns", bench::joined(line));
                         main.Form_Click();
                         QTimer::singleShot(1000, counter, [=, &windows] {
                             counter->measure(10, "idle_stopped", [&windows] { quit(windows); });
                         });
                     });
    QTimer::singleShot(1000, counter, [=, &main] {
        counter->measure(10, "idle_started", [&main] { main.Label_Click(2); });
    });
}

// One opening to warm up, then the twenty whose cost in resident memory is measured.
constexpr int newsOpenings = 21;

// Opens a news window on the given page, waits for its first frame as a person would, then
// times Okay until the page has loaded and closes the window; the next opening runs in the same
// process. The resident memory once each window has gone, after the last opening against after
// the first, is what the openings leave behind: a view, page or profile kept per opening shows
// as megabytes.
void news(WindowRegistry &windows, const QUrl &page, int opening,
          std::shared_ptr<long> afterFirstKib) {
    auto *window = new lumatic::NewsWindow(page);
    new bench::FirstFrame(window, [=, &windows] {
        const std::int64_t okay = bench::nowNs();
        window->Command1_Click();
        auto *browser = window->findChild<lumatic::Browser *>();
        if (!browser) {
            bench::report("news_unavailable", "no browser after Okay (module not found?)");
            window->close();
            quit(windows);
            return;
        }
        QObject::connect(
            browser, &lumatic::Browser::loadFinished, window,
            [=, &windows](bool ok) {
                if (opening <= 2) {
                    const std::string key = opening == 1 ? "news_first" : "news_second";
                    bench::report((key + "_ms").c_str(), double(bench::nowNs() - okay) / 1e6);
                    bench::report((key + "_ok").c_str(), ok ? 1 : 0);
                }
                if (opening == 2) {
                    bench::report("news_rss_kib", double(bench::statusField("VmRSS")));
                    bench::report("news_hwm_kib", double(bench::statusField("VmHWM")));
                    bench::report("news_processes", double(bench::processTree().size()));
                    bench::report("news_tree_pss_kib", double(bench::treePssKib()));
                }
                if (!ok)
                    bench::report("news_failed_openings", double(opening));
                // Closed from the event loop: the browser is still inside its signal here.
                QTimer::singleShot(0, &windows, [=, &windows] {
                    window->close();
                    // Once the window is deleted and the engine has let go of the page.
                    QTimer::singleShot(250, &windows, [=, &windows] {
                        const long rssKib = bench::statusField("VmRSS");
                        if (opening == 1)
                            *afterFirstKib = rssKib;
                        if (opening < newsOpenings) {
                            news(windows, page, opening + 1, afterFirstKib);
                            return;
                        }
                        bench::report("news_cycles", double(newsOpenings - 1));
                        bench::report("news_cycles_growth_kib", double(rssKib - *afterFirstKib));
                        quit(windows);
                    });
                });
            },
            Qt::SingleShotConnection);
    });
    window->showNonModal();
}

// Entry 2 playing for the given ticks inside a loop of its own, so that a profiler can collect
// exactly the preview: valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*playLoop*'
[[gnu::noinline]] void playLoop(WindowRegistry &windows, int ticks) {
    QEventLoop loop;
    bench::WakeupCounter counter;
    int written = 0;
    QObject::connect(control<lumatic::PositionBox>(windows.mainWindow(), "stylerun"),
                     &lumatic::PositionBox::written, &loop, [&] {
                         if (++written == 1)
                             counter.start("play");
                         if (written == ticks + 1) {
                             counter.stop("play", 0);
                             loop.quit();
                         }
                         // What the X server shows after the last tick, to check that a change
                         // looks the same.
                         if (written == ticks + 1 &&
                             qEnvironmentVariableIsSet("LUMATIC_BENCH_SHOT"))
                             QGuiApplication::primaryScreen()
                                 ->grabWindow(windows.mainWindow().winId())
                                 .save(qEnvironmentVariable("LUMATIC_BENCH_SHOT"));
                     });
    windows.mainWindow().Label_Click(2);
    loop.exec();
}

} // namespace

int main(int argc, char **argv) {
    const std::int64_t mainNs = bench::nowNs();
    const std::string mode = argc > 1 ? argv[1] : "startup";
    const QString argument = QString::fromLocal8Bit(argc > 2 ? argv[2] : "");
    return lumatic::run(argc, argv, [&](WindowRegistry &windows) {
        const std::int64_t shownNs = bench::nowNs();
        new bench::FirstFrame(&windows.mainWindow(), [&, shownNs] {
            reportStartup(mainNs, shownNs);
            if (mode == "preview") {
                preview(windows, 260);
            } else if (mode == "news") {
                news(windows, QUrl(argument), 1, std::make_shared<long>(0));
            } else if (mode == "play") {
                QTimer::singleShot(0, &windows, [&] {
                    playLoop(windows, std::max(1, argument.toInt()));
                    quit(windows);
                });
            } else {
                quit(windows);
            }
        });
    });
}

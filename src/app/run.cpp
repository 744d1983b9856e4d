#include "run.h"

#include "toolkit/application.h"
#include "window_registry.h"
#include "windows/help/help_window.h"
#include "windows/news/engine_process.h"
#include "windows/news/news_window.h"

#include <QApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace lumatic {

namespace {

// Written by the signal handler, read by the event loop: the one thing a handler may safely do
// is write a byte.
int signalPipe[2] = {-1, -1};

void onEndingSignal(int number) {
    const int saved = errno;
    const char byte = char(number);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

// Ctrl-C, a closed terminal and kill or shutdown end the program as Close everything does, so
// that its windows close, the engine's processes end and its private folders go. Set up before
// anything is made that must go: a signal that comes before the event loop waits in the pipe.
void endOnSignals() {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGINT, SIGHUP, SIGTERM})
        ::sigaction(number, &action, nullptr);
}

} // namespace

int run(int argc, char **argv, const std::function<void(WindowRegistry &)> &started,
        const std::function<Form *()> &news) {
    endOnSignals();
    prepareEngineProcess();
    // The program takes no command line: Qt sees the program name only.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    setUpApplication(app);
    WindowRegistry windows([] { return new HelpWindow; },
                           news ? news : [] { return static_cast<Form *>(new NewsWindow); });
    QObject::connect(&windows, &WindowRegistry::ended, &app, &QApplication::quit);
    std::unique_ptr<QSocketNotifier> signalled;
    if (signalPipe[0] >= 0) {
        signalled = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalled.get(), &QSocketNotifier::activated, &windows, [&windows] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
            }
            windows.closeAll();
        });
    }
    windows.mainWindow().showNonModal();
    if (started)
        started(windows);
    return app.exec();
}

} // namespace lumatic

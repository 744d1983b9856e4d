#pragma once

// What the web tests share: the module's browser, waits on its loads and clicks, its processes.

#include "http_server.h"
#include "lumatic_test.h"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <functional>
#include <sys/types.h>

namespace lumatic::test {

// The module's browser; when it cannot be had, null, with the reason in a warning.
inline Browser *engine(QWidget *host) {
    QString error;
    Browser *browser = loadBrowser(host, {QStringLiteral(LUMATIC_TEST_WEB_MODULE)}, &error);
    if (!browser)
        qWarning("%s", qPrintable(error));
    return browser;
}

// Whether the load that finished reports success, waiting for it if it has not ended yet.
inline bool loadSucceeded(QSignalSpy &finished, int timeout = 10000) {
    return (!finished.isEmpty() || finished.wait(timeout)) && finished.first().first().toBool();
}

// A click on a view that has just been made or shown again can be lost: click the middle of
// the view until what it sets off has happened.
inline bool clickUntil(Browser *browser, const std::function<bool()> &happened) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (QWidget *view = browser->widget()->focusProxy())
            QTest::mouseClick(view, Qt::LeftButton, {}, view->rect().center());
        if (QTest::qWaitFor(happened, 1000))
            return true;
    }
    return false;
}

inline bool painted(const HttpServer &server, int before) {
    return QTest::qWaitFor([&] { return server.hits("/painted") > before; }, 10000);
}

// The engine's processes that pid started itself, each of which names its kind on its
// command line: none until the engine starts, which it does before any page does anything.
inline int engineProcesses(qint64 pid) {
    int found = 0;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(entry));
        if (entry.toInt() <= 0 || !stat.open(QIODevice::ReadOnly) ||
            !command.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...: the name may hold blanks, never a ')'.
        const QList<QByteArray> fields = stat.readAll().split(')').last().split(' ');
        found += fields.size() > 2 && fields[2].toLongLong() == pid &&
                 command.readAll().contains("--type=");
    }
    return found;
}

// The engine's pages, with the browser or with its view: the tests map the engine only through
// the module, as the program does, so they know a QWebEnginePage by its class name alone.
inline QObjectList enginePages(Browser *browser) {
    QObjectList pages;
    for (QObject *owner : QObjectList{browser, browser->widget()})
        for (QObject *child : owner->findChildren<QObject *>())
            if (child->inherits("QWebEnginePage") && !pages.contains(child))
                pages << child;
    return pages;
}

// Kills each page's renderer, as a crash would end it; how many it killed.
inline int killRenderers(Browser *browser) {
    int killed = 0;
    for (QObject *page : enginePages(browser)) {
        const qint64 pid = page->property("renderProcessPid").toLongLong();
        if (pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0)
            ++killed;
    }
    return killed;
}

inline const QString stoppedWorking =
    QStringLiteral("The page stopped working; Refresh loads it again.");

} // namespace lumatic::test

#pragma once

#include "windows/news/browser.h"

#include <QObject>
#include <QWidget>
#include <csignal>
#include <sys/types.h>

// The engine's pages behind a browser, wherever the module keeps them: with the browser or with
// its view. The tests map the engine only through the module, as the program does, so they
// reach a QWebEnginePage through the meta-object system alone.
inline QObjectList enginePages(lumatic::Browser *browser) {
    QObjectList pages;
    for (QObject *owner : QObjectList{browser, browser->widget()})
        for (QObject *child : owner->findChildren<QObject *>())
            if (child->inherits("QWebEnginePage") && !pages.contains(child))
                pages << child;
    return pages;
}

// Kills the renderer process of each of the browser's pages, as a crash would end it; returns
// how many it killed.
inline int killRenderers(lumatic::Browser *browser) {
    int killed = 0;
    for (QObject *page : enginePages(browser)) {
        const qint64 pid = page->property("renderProcessPid").toLongLong();
        if (pid > 0 && ::kill(pid_t(pid), SIGKILL) == 0)
            ++killed;
    }
    return killed;
}

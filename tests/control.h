#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace lumatic::test {

// A window's control, found by its object name: the tests and the benchmark reach controls only
// this way. Asking for one that is missing ends the run.
template <class T = QWidget> T *control(const QObject &window, const QString &name) {
    auto *found = window.findChild<T *>(name);
    if (!found)
        qFatal("%s has no control %s of that kind", qPrintable(window.objectName()),
               qPrintable(name));
    return found;
}

} // namespace lumatic::test

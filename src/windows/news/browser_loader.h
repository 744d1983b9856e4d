#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace lumatic {

class Browser;

// Where the web module is looked for: beside the program (the build tree), then where it is
// installed, relative to the program's directory.
QStringList browserModuleCandidates(const QString &programDirectory);
QStringList browserModuleCandidates();

// Loads the web module and makes a Browser owned by parent; null, with the reasons in error
// on one line, when no candidate serves. The module stays mapped for the rest of the process: the
// web engine cannot be unloaded safely.
Browser *loadBrowser(QWidget *parent, const QStringList &candidates = browserModuleCandidates(),
                     QString *error = nullptr);

} // namespace lumatic

#include "engine_setup.h"

#include <QCoreApplication>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <unistd.h>

namespace lumatic {

void useSoftwareSceneGraph() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

QString whyTheEngineCannotStart() {
    if (getuid() != 0 && geteuid() != 0)
        return {};
    // Qt switches the sandbox off for the variable whatever its value; Chromium takes the
    // switch from its flags or from the program's arguments as well.
    const QByteArray noSandbox = "--no-sandbox";
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
        qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ').contains(noSandbox) ||
        QCoreApplication::arguments().contains(QString::fromLatin1(noSandbox)))
        return {};
    return QStringLiteral(
        "The web browser does not run as root without QTWEBENGINE_DISABLE_SANDBOX=1.");
}

} // namespace lumatic

#include "engine_setup.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <cstring>
#include <unistd.h>

namespace lumatic {

namespace {

QLoggingCategory::CategoryFilter previousFilter = nullptr;

void filterCategory(QLoggingCategory *category) {
    if (std::strcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        return;
    }
    if (previousFilter)
        previousFilter(category);
}

} // namespace

void silenceWebEngineContextLog() {
    static const bool installed = [] {
        previousFilter = QLoggingCategory::installFilter(filterCategory);
        return true;
    }();
    Q_UNUSED(installed);
}

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

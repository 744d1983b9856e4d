#include "browser_loader.h"

#include "browser.h"
#include "error_filter.h"
#include "lumatic_config.h"
#include "private_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace lumatic {

namespace {

QtMessageHandler nextHandler = nullptr;

// The engine's notes on how it started, which are no fault of the program's and no use to its
// user: one from loading the engine after the application object, with no OpenGL share context
// (which must not exist: a context made before the engine's private home would keep the shader
// cache in the user's), worded by Qt 6.4 and by Qt 6.8; one for its graphics in the software
// scene graph; and one for a sandbox that the user switched off.
void dropEngineStartUpNotes(QtMsgType type, const QMessageLogContext &context,
                            const QString &message) {
    for (const char *note :
         {"Qt WebEngine seems to be initialized from a plugin.",
          "Attribute Qt::AA_ShareOpenGLContexts must be set before QCoreApplication is created.",
          "No suitable graphics backend found", "Sandboxing disabled by user."})
        if (message.startsWith(QLatin1String(note)))
            return;
    nextHandler(type, context, message);
}

// Before the module is loaded: the first note comes while the engine's library is mapped, and
// its processes take their standard error from the program's.
void quietEngineStartUp() {
    static const bool installed = [] {
        nextHandler = qInstallMessageHandler(dropEngineStartUpNotes);
        filterStandardError();
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

QStringList browserModuleCandidates() {
    return browserModuleCandidates(QCoreApplication::applicationDirPath());
}

QStringList browserModuleCandidates(const QString &programDirectory) {
    const QDir here(programDirectory);
    return {
        here.filePath(QStringLiteral(LUMATIC_WEB_MODULE_NAME)),
        QDir::cleanPath(here.filePath(QStringLiteral(LUMATIC_WEB_MODULE_INSTALLED))),
    };
}

Browser *loadBrowser(QWidget *parent, const QStringList &candidates, QString *error) {
    quietEngineStartUp();
    if (!usePrivateHome()) {
        if (error)
            *error = QStringLiteral("no private folder for the web engine to work in");
        return nullptr;
    }
    QStringList problems;
    for (const QString &path : candidates) {
        if (!QFileInfo::exists(path)) {
            problems << QStringLiteral("%1: not found").arg(path);
            continue;
        }
        QPluginLoader loader(path);
        QObject *instance = loader.instance();
        if (auto *factory = qobject_cast<BrowserFactory *>(instance))
            return factory->create(parent);
        problems << (instance ? QStringLiteral("%1: not a web module").arg(path)
                              : loader.errorString().simplified());
    }
    if (error)
        *error = problems.join(QLatin1String("; "));
    return nullptr;
}

} // namespace lumatic

// Browser's meta-object lives here, beside the loader every host links: the module takes it
// from the host rather than carrying a second copy.
#include "moc_browser.cpp" // NOLINT(bugprone-suspicious-include)

#include "browser_loader.h"

#include "browser.h"
#include "engine_process.h"
#include "error_filter.h"
#include "lumatic_config.h"
#include "private_home.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace lumatic {

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
    prepareEngineProcess();
    // Here rather than at start-up: the filter is a process of its own, wanted only once the
    // engine's processes, which take their standard error from the program's, are about to start.
    filterStandardError();
    if (QString why; !usePrivateHome(&why)) {
        if (error)
            *error = why;
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
            return new Browser(parent, *factory);
        problems << (instance ? QStringLiteral("%1: not a web module").arg(path)
                              : loader.errorString().simplified());
    }
    if (error)
        *error = problems.join(QLatin1String("; "));
    return nullptr;
}

} // namespace lumatic

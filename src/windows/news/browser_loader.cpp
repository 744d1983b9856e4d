#include "browser_loader.h"

#include "browser.h"
#include "engine_process.h"
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

#include "private_home.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace lumatic {

namespace {

// The runtime folder is the user's own and lives in memory, but only where it is what the XDG
// rules promise: a folder of ours that we may write in.
QString baseFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    struct stat status {};
    if (runtime.startsWith('/') && ::stat(runtime.constData(), &status) == 0 &&
        S_ISDIR(status.st_mode) && status.st_uid == geteuid() &&
        ::access(runtime.constData(), W_OK | X_OK) == 0)
        return QFile::decodeName(runtime);
    return QDir::tempPath();
}

// Removed at exit, when the application object and with it the engine's threads that wrote
// here are gone; that is also after a renderer crash, and after Close everything.
std::unique_ptr<QTemporaryDir> home;

} // namespace

bool usePrivateHome() {
    if (home)
        return true;
    // QTemporaryDir makes the folder owner-only (mkdtemp).
    auto folder = std::make_unique<QTemporaryDir>(
        QDir(baseFolder()).filePath(QStringLiteral("lumatic-web-XXXXXX")));
    if (!folder->isValid())
        return false;
    const QDir path(folder->path());
    qputenv("HOME", QFile::encodeName(path.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path.filePath(QStringLiteral(".cache"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path.filePath(QStringLiteral(".config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path.filePath(QStringLiteral(".local/share"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(path.filePath(QStringLiteral(".local/state"))));
    home = std::move(folder);
    return true;
}

} // namespace lumatic

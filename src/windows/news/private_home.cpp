#include "private_home.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumatic {

namespace {

// Opens and locks the folder, if it is still the one that was looked at: a sweep that locked
// and removed it between the two must not leave us holding a lock on a folder that is gone.
int lockFolder(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    const int descriptor =
        ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
        return -1;
    struct stat opened {
    }, named{};
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0 || ::fstat(descriptor, &opened) != 0 ||
        ::lstat(name.constData(), &named) != 0 || opened.st_ino != named.st_ino ||
        opened.st_dev != named.st_dev || opened.st_uid != geteuid()) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// What programs killed outright left: folders of ours under the prefix that no program holds.
void sweep(const QString &base, const char *prefix) {
    const QString start = QLatin1String(prefix);
    // mkdtemp's six letters and digits after the prefix.
    const auto madeByUs = [&](const QString &name) {
        return name.size() == start.size() + 6 && name.startsWith(start) &&
               std::all_of(name.cbegin() + start.size(), name.cend(),
                           [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
    };
    const QStringList names =
        QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &name : names) {
        if (!madeByUs(name))
            continue;
        const QString path = QDir(base).filePath(name);
        if (const int lock = lockFolder(path); lock >= 0) {
            QDir(path).removeRecursively();
            ::close(lock);
        }
    }
}

QString baseFolder(QString *error) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (canHoldPrivateFolders(runtime, true))
        return QFile::decodeName(runtime);
    const QByteArray temporary = temporaryFolder();
    if (canHoldPrivateFolders(temporary, false))
        return QFile::decodeName(temporary);
    if (error)
        *error = QStringLiteral("no folder to work in: neither XDG_RUNTIME_DIR (%1) nor the "
                                "temporary folder (%2) is a folder it may write in")
                     .arg(QFile::decodeName(runtime.isEmpty() ? "unset" : runtime),
                          QFile::decodeName(temporary));
    return {};
}

// Removed at exit, when the application object and with it the engine's threads that wrote
// here are gone; that is also after a renderer crash, after Close everything, and after the
// signals that end the program through its ordinary exit.
std::unique_ptr<PrivateFolder> &home() {
    static std::unique_ptr<PrivateFolder> folder;
    return folder;
}

} // namespace

QByteArray temporaryFolder() {
    const QByteArray set = qgetenv("TMPDIR");
    return set.isEmpty() ? QByteArray("/tmp") : set;
}

bool canHoldPrivateFolders(const QByteArray &path, bool mustBeOwn) {
    struct stat status {};
    return path.startsWith('/') && ::stat(path.constData(), &status) == 0 &&
           S_ISDIR(status.st_mode) && (!mustBeOwn || status.st_uid == geteuid()) &&
           ::access(path.constData(), W_OK | X_OK) == 0;
}

PrivateFolder::PrivateFolder(const QString &base, const char *prefix) {
    sweep(base, prefix);
    // A sweep elsewhere may take a folder in the moment between making and locking it.
    for (int attempt = 0; attempt < 3 && lock_ < 0; ++attempt) {
        // mkdtemp makes it owner-only.
        QByteArray name = QFile::encodeName(QDir(base).filePath(QLatin1String(prefix))) + "XXXXXX";
        if (!::mkdtemp(name.data()))
            return;
        path_ = QFile::decodeName(name);
        lock_ = lockFolder(path_);
    }
}

PrivateFolder::~PrivateFolder() {
    if (lock_ < 0)
        return;
    QDir(path_).removeRecursively();
    ::close(lock_);
}

bool usePrivateHome(QString *error) {
    if (home())
        return true;
    const QString base = baseFolder(error);
    if (base.isEmpty())
        return false;
    auto folder = std::make_unique<PrivateFolder>(base, "lumatic-web-");
    if (!folder->isValid()) {
        if (error)
            *error = QStringLiteral("no folder to work in: none could be made in %1").arg(base);
        return false;
    }
    // Each of these is already in the environment (prepareEngineProcess() put it there before
    // any thread started), so setting it replaces one pointer in place: glibc neither moves the
    // environment nor frees the value it replaces, and a getenv() in another thread meanwhile
    // reads the old value or the new one, never freed memory.
    const QDir path(folder->path());
    qputenv("HOME", QFile::encodeName(path.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path.filePath(QStringLiteral(".cache"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path.filePath(QStringLiteral(".config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(path.filePath(QStringLiteral(".local/share"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(path.filePath(QStringLiteral(".local/state"))));
    home() = std::move(folder);
    return true;
}

} // namespace lumatic

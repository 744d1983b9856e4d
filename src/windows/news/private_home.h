#pragma once

#include <QString>

namespace lumatic {

// Gives the engine a home of its own for the rest of the process: an owner-only folder under
// $XDG_RUNTIME_DIR (or the temporary folder when that is unusable), set as HOME and as the XDG
// cache, data, config and state homes, and removed when the process ends. Chromium puts its
// certificate store under HOME and the graphics library its shader cache under the cache home;
// the program keeps nothing on disk, so none of that may reach the user's home. It must run
// before the engine's library is loaded: on loading, the engine may make an OpenGL context, and
// the graphics library reads these once, then.
// Returns false, leaving the environment as it was and saying why in *error, when no such
// folder can be made.
bool usePrivateHome(QString *error = nullptr);

// The program's folders are made here, and removed when it ends: owner-only, held under an
// flock from the moment they are made, so that a folder whose lock can be taken outlived a
// program killed outright, and the next program that makes one in the same place removes it.
// A live program's folder is never touched.
class PrivateFolder {
public:
    // Makes base/prefixXXXXXX, after removing what dead programs left there under that prefix;
    // check isValid().
    PrivateFolder(const QString &base, const char *prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;

    bool isValid() const { return lock_ >= 0; }
    const QString &path() const { return path_; }

private:
    QString path_;
    int lock_ = -1;
};

// A folder that a private folder may be made in: absolute, ours or shared, and writable.
bool canHoldPrivateFolders(const QByteArray &path, bool mustBeOwn);

// $TMPDIR, or /tmp when it is unset: what the XDG rules and Qt call the temporary folder.
QByteArray temporaryFolder();

} // namespace lumatic

#include "engine_process.h"

#include "private_home.h"

#include <QFile>
#include <QLoggingCategory>
#include <cstring>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumatic {

namespace {

QtMessageHandler nextHandler = nullptr;
QLoggingCategory::CategoryFilter nextFilter = nullptr;

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

// Qt 6.4's start-up report (category qt.webenginecontext, on by default) reads the global OpenGL
// share context, which does not exist when the engine is loaded after QApplication without
// Qt::AA_ShareOpenGLContexts, and crashes on it. Turning the category off avoids the crash.
void filterCategory(QLoggingCategory *category) {
    if (std::strcmp(category->categoryName(), "qt.webenginecontext") == 0) {
        category->setEnabled(QtDebugMsg, false);
        category->setEnabled(QtInfoMsg, false);
        return;
    }
    if (nextFilter)
        nextFilter(category);
}

// Where no session bus runs, Qt's and the engine's D-Bus code would start one, which outlives
// the program: the user's bus where the runtime folder has one, else an address that cannot
// start anything.
void useOnlyARunningSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray bus = runtime + "/bus";
    struct stat status {};
    if (runtime.startsWith('/') && ::stat(bus.constData(), &status) == 0 &&
        S_ISSOCK(status.st_mode))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + bus);
    else
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
}

// Without a usable runtime folder Qt makes one of its own in the temporary folder, says so on
// standard error and leaves it behind; a private one is removed at exit.
std::unique_ptr<PrivateFolder> &runtime() {
    static std::unique_ptr<PrivateFolder> folder;
    return folder;
}

void useAUsableRuntimeFolder() {
    if (canHoldPrivateFolders(qgetenv("XDG_RUNTIME_DIR"), true))
        return;
    const QByteArray temporary = temporaryFolder();
    if (!canHoldPrivateFolders(temporary, false))
        return;
    auto folder = std::make_unique<PrivateFolder>(QFile::decodeName(temporary), "lumatic-run-");
    if (!folder->isValid())
        return;
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder->path()));
    runtime() = std::move(folder);
}

// The private home replaces these later, while other threads run: they must be in the
// environment already, so that it is never reallocated then. Each gets the value it stands for
// anyway, the XDG default.
void makeRoomForThePrivateHome() {
    if (qEnvironmentVariableIsEmpty("HOME"))
        if (const passwd *user = ::getpwuid(geteuid()); user && user->pw_dir)
            qputenv("HOME", user->pw_dir);
    const QByteArray home = qgetenv("HOME");
    for (const auto &[name, under] :
         {std::pair{"XDG_CACHE_HOME", "/.cache"}, std::pair{"XDG_CONFIG_HOME", "/.config"},
          std::pair{"XDG_DATA_HOME", "/.local/share"},
          std::pair{"XDG_STATE_HOME", "/.local/state"}})
        if (qEnvironmentVariableIsEmpty(name))
            qputenv(name, home + under);
}

// Chromium's own logging writes to standard error, a failed TLS handshake or an unreachable
// session bus included: fatal errors only, unless the user asked for a level there.
void quietChromium() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--log-level"))
        return;
    flags += flags.isEmpty() ? "" : " ";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + "--log-level=3");
}

} // namespace

void prepareEngineProcess() {
    static const bool prepared = [] {
        useOnlyARunningSessionBus();
        useAUsableRuntimeFolder();
        makeRoomForThePrivateHome();
        quietChromium();
        nextHandler = qInstallMessageHandler(dropEngineStartUpNotes);
        nextFilter = QLoggingCategory::installFilter(filterCategory);
        return true;
    }();
    Q_UNUSED(prepared);
}

} // namespace lumatic

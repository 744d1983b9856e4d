#include "engine_setup.h"

#include <QCoreApplication>
#include <QFile>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <cerrno>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumatic {

void useSoftwareSceneGraph() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
}

namespace {

// Chromium's sandbox puts each page's process into new user, process and network namespaces.
// A chroot, the user.max_user_namespaces sysctl at 0 or Ubuntu's AppArmor rule for unprivileged
// users refuses them; Chromium then either ends the whole process ("No usable sandbox!") or,
// as Qt 6.4 does, runs pages without that layer and without a word. The same request, from a
// child that ends at once, tells beforehand.
bool namespacesRefused() {
    const pid_t child = fork();
    if (child == 0)
        _exit(unshare(CLONE_NEWUSER | CLONE_NEWPID | CLONE_NEWNET) == 0 ? 0 : 1);
    int status = 0;
    if (child < 0)
        return true;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR)
            return true;
    return !WIFEXITED(status) || WEXITSTATUS(status) != 0;
}

// Under Ubuntu's AppArmor rule only a program whose profile grants it may make them, and the
// engine's helper process, which makes them, may have a profile where the program has none:
// Ubuntu 24.04's apparmor package ships one.
bool engineProfiled() {
    QFile rule(QStringLiteral("/proc/sys/kernel/apparmor_restrict_unprivileged_userns"));
    return rule.open(QIODevice::ReadOnly) && rule.readAll().trimmed() == "1" &&
           QFile::exists(QStringLiteral("/etc/apparmor.d/QtWebEngineProcess"));
}

} // namespace

QString whyTheEngineCannotStart() {
    // Qt switches the sandbox off for the variable whatever its value; Chromium takes the
    // switch from its flags or from the program's arguments as well.
    const QByteArray noSandbox = "--no-sandbox";
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
        qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ').contains(noSandbox) ||
        QCoreApplication::arguments().contains(QString::fromLatin1(noSandbox)))
        return {};
    if (getuid() == 0 || geteuid() == 0)
        return QStringLiteral(
            "The web browser does not run as root without QTWEBENGINE_DISABLE_SANDBOX=1.");
    static const bool refused = namespacesRefused() && !engineProfiled();
    if (refused)
        return QStringLiteral("The web browser needs user namespaces for its sandbox, and this "
                              "system refuses them; allow them, or set "
                              "QTWEBENGINE_DISABLE_SANDBOX=1 to browse without the sandbox.");
    return {};
}

} // namespace lumatic

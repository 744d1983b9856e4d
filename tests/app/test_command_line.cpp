#include "lumatic_test.h"

#include <QLocalServer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <csignal>

namespace {

// An X display number nothing serves: Xvfb -a counts up from 99, so start well above.
QString unservedLocalDisplay() {
    for (int number = 400;; ++number)
        if (!QFile::exists(QString("/tmp/.X11-unix/X%1").arg(number)))
            return QString(":%1").arg(number);
}

// The TCP display whose port was free a moment ago: X servers listen on 6000 + number.
QString refusingTcpDisplay() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost) || server.serverPort() <= 6000)
        return "127.0.0.1:0";
    return QString("127.0.0.1:%1").arg(server.serverPort() - 6000);
}

// The program has got past the display check: its window shows on X or, offscreen, where
// nothing shows, it has loaded the plugin that draws there, which comes after the check.
bool pastTheCheck(const QProcess &program, bool onX) {
    QFile maps(QString("/proc/%1/maps").arg(program.processId()));
    return onX ? !lumatic::test::shownOnX(program).isEmpty()
               : maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libqoffscreen");
}

// How the program is started and what it must answer, on standard output and error (regular
// expressions; a null error is not checked).
struct Row {
    const char *tag;
    QString arguments, environment; // "@" in the environment is the temporary folder
    // Negative: the program must still be running when it is looked at; it is then ended by
    // that signal, and must end as Close everything ends it, with status 0.
    int exitCode;
    QString error, output = "^$";
    QString standardOutput = {}; // a file to write it to instead of a pipe
};

} // namespace

// The program as a shell starts it, without any display unless a row gives one (the test runs
// on a virtual X display), with a temporary folder of its own where it must leave nothing.
class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir runtime_; // XDG_RUNTIME_DIR, where Wayland compositors keep their sockets
    QLocalServer compositor_;

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        // Listening is all a compositor has to do to be found; the program never talks to it.
        QVERIFY(compositor_.listen(runtime_.filePath("wayland-listening")));
    }

    void answersBeforeAnyWindow_data() {
        const QString none = "^$", version = "^lumatic " LUMATIC_VERSION "\\n$";
        const QString usage = "^Usage: lumatic \\[--help \\| --version\\]\\n(.*\\n)*"
                              "  --help .*\\n  --version .*\\n";
        const auto refusal = [](const QString &why) {
            return "^lumatic: there is no display to show the window on \\(" +
                   QRegularExpression::escape(why) +
                   "\\); for a virtual one, start it as: xvfb-run -a lumatic\\n$";
        };
        const QString unset = "DISPLAY is not set, WAYLAND_DISPLAY is not set";
        const QString local = unservedLocalDisplay(), tcp = refusingTcpDisplay();
        const QString x = "DISPLAY=" + qEnvironmentVariable("DISPLAY") + " ";
        const Row rows[] = {
            {"--version", "--version", "", 0, none, version},
            {"--help", "--help", "", 0, none, usage},
            {"--version among ignored arguments", "-platform offscreen --version --help", "", 0,
             none, version},
            {"--version into a full disk", "--version", "", 1,
             "^lumatic: cannot write the answer: .+\\n$", none, "/dev/full"},
            {"no display", "", "", 1, refusal(unset)},
            {"no display, other arguments", "-display :0 style.map", "", 1, refusal(unset)},
            {"local X display nobody serves", "", "DISPLAY=" + local, 1,
             refusal("no X server answers on " + local + ", WAYLAND_DISPLAY is not set")},
            {"TCP X display that refuses", "", "DISPLAY=" + tcp, 1,
             refusal("no X server answers on " + tcp + ", WAYLAND_DISPLAY is not set")},
            {"Wayland display that is gone", "", "WAYLAND_DISPLAY=wayland-gone", 1,
             refusal("DISPLAY is not set, no Wayland compositor answers on wayland-gone")},
            {"X11 forced, only Wayland there", "",
             "QT_QPA_PLATFORM=xcb WAYLAND_DISPLAY=wayland-listening", 1,
             refusal("DISPLAY is not set")},
            {"Wayland forced, its default display absent", "", "QT_QPA_PLATFORM=wayland", 1,
             refusal("no Wayland compositor answers on wayland-0")},
            {"offscreen needs no display", "", "QT_QPA_PLATFORM=offscreen", -SIGTERM, {}},
            // Qt would say it made a runtime folder, and leave it.
            {"no XDG_RUNTIME_DIR", "", x + "XDG_RUNTIME_DIR", -SIGTERM, none},
            {"XDG_RUNTIME_DIR missing", "", x + "XDG_RUNTIME_DIR=@/missing", -SIGTERM, none},
            {"ended by Ctrl-C", "", x + "XDG_RUNTIME_DIR", -SIGINT, none},
            {"ended by a closed terminal", "", x + "XDG_RUNTIME_DIR", -SIGHUP, none}};
        lumatic::test::addRows(rows);
    }
    void answersBeforeAnyWindow() {
        QFETCH(Row, row);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        QProcess program;
        if (!row.standardOutput.isEmpty())
            program.setStandardOutputFile(row.standardOutput);
        QVERIFY(lumatic::test::start(
            program, LUMATIC_PROGRAM, row.arguments.split(' ', Qt::SkipEmptyParts),
            QStringList{"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM",
                        "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR=" + runtime_.path(),
                        "TMPDIR=" + temporary.path()} +
                row.environment.split(' ', Qt::SkipEmptyParts)
                    .replaceInStrings("@", temporary.path())));
        if (row.exitCode < 0) {
            // Refusing takes no time; a program whose window shows has got past the check.
            const bool onX = program.processEnvironment().contains("DISPLAY");
            QTRY_VERIFY_WITH_TIMEOUT(
                program.state() != QProcess::Running || pastTheCheck(program, onX), 30000);
            QVERIFY2(program.state() == QProcess::Running,
                     program.readAllStandardError().constData());
            ::kill(pid_t(program.processId()), -row.exitCode);
        }
        // A signal ends it within a second, as Close everything ends it.
        QVERIFY(program.waitForFinished(row.exitCode < 0 ? 1000 : 30000));
        const QString said = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(QRegularExpression(row.output).match(said).hasMatch(), qPrintable(said));
        if (!row.error.isNull())
            QVERIFY2(QRegularExpression(row.error).match(complained).hasMatch(),
                     qPrintable(complained));
        QCOMPARE(program.exitCode(), std::max(row.exitCode, 0));
        const QStringList left = lumatic::test::entries(temporary.path());
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

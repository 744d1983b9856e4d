#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// The exit status of a row whose program must still be running when it is looked at: it is
// then ended by the signal, and must end as Close everything ends it, with status 0.
constexpr int keptRunningUntil(int signal) {
    return -signal;
}

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
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("standardOutput"); // a file to write it to instead of a pipe
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");

        const QString version = "^lumatic " LUMATIC_VERSION "\\n$";
        const QString usage = "^Usage: lumatic \\[--help \\| --version\\]\\n(.*\\n)*"
                              "  --help .*\\n  --version .*\\n";
        const auto refusal = [](const QString &why) {
            return "^lumatic: there is no display to show the window on \\(" +
                   QRegularExpression::escape(why) +
                   "\\); for a virtual one, start it as: xvfb-run -a lumatic\\n$";
        };
        const QString unset = "DISPLAY is not set, WAYLAND_DISPLAY is not set";
        const QString local = unservedLocalDisplay(), tcp = refusingTcpDisplay();
        const QString x = "DISPLAY=" + qEnvironmentVariable("DISPLAY");

        QTest::newRow("--version")
            << QStringList{"--version"} << QStringList{} << QString() << 0 << version << "^$";
        QTest::newRow("--help") << QStringList{"--help"} << QStringList{} << QString() << 0 << usage
                                << "^$";
        QTest::newRow("--version among ignored arguments")
            << QStringList{"-platform", "offscreen", "--version", "--help"} << QStringList{}
            << QString() << 0 << version << "^$";
        QTest::newRow("--version into a full disk")
            << QStringList{"--version"} << QStringList{} << "/dev/full" << 1 << "^$"
            << "^lumatic: cannot write the answer: .+\\n$";
        QTest::newRow("no display")
            << QStringList{} << QStringList{} << QString() << 1 << "^$" << refusal(unset);
        QTest::newRow("no display, other arguments")
            << QStringList{"-display", ":0", "style.map"} << QStringList{} << QString() << 1 << "^$"
            << refusal(unset);
        QTest::newRow("local X display nobody serves")
            << QStringList{} << QStringList{"DISPLAY=" + local} << QString() << 1 << "^$"
            << refusal("no X server answers on " + local + ", WAYLAND_DISPLAY is not set");
        QTest::newRow("TCP X display that refuses")
            << QStringList{} << QStringList{"DISPLAY=" + tcp} << QString() << 1 << "^$"
            << refusal("no X server answers on " + tcp + ", WAYLAND_DISPLAY is not set");
        QTest::newRow("Wayland display that is gone")
            << QStringList{} << QStringList{"WAYLAND_DISPLAY=wayland-gone"} << QString() << 1
            << "^$" << refusal("DISPLAY is not set, no Wayland compositor answers on wayland-gone");
        QTest::newRow("X11 forced, only Wayland there")
            << QStringList{}
            << QStringList{"QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY=wayland-listening"} << QString()
            << 1 << "^$" << refusal("DISPLAY is not set");
        QTest::newRow("Wayland forced, its default display absent")
            << QStringList{} << QStringList{"QT_QPA_PLATFORM=wayland"} << QString() << 1 << "^$"
            << refusal("no Wayland compositor answers on wayland-0");
        QTest::newRow("offscreen needs no display")
            << QStringList{} << QStringList{"QT_QPA_PLATFORM=offscreen"} << QString()
            << keptRunningUntil(SIGTERM) << "^$" << QString();
        // Qt would say it made a runtime folder, and leave it; "@" is the temporary folder.
        QTest::newRow("no XDG_RUNTIME_DIR") << QStringList{} << QStringList{x, "XDG_RUNTIME_DIR"}
                                            << QString() << keptRunningUntil(SIGTERM) << "^$"
                                            << "^$";
        QTest::newRow("XDG_RUNTIME_DIR missing")
            << QStringList{} << QStringList{x, "XDG_RUNTIME_DIR=@/missing"} << QString()
            << keptRunningUntil(SIGTERM) << "^$"
            << "^$";
        QTest::newRow("ended by Ctrl-C") << QStringList{} << QStringList{x, "XDG_RUNTIME_DIR"}
                                         << QString() << keptRunningUntil(SIGINT) << "^$"
                                         << "^$";
        QTest::newRow("ended by a closed terminal")
            << QStringList{} << QStringList{x, "XDG_RUNTIME_DIR"} << QString()
            << keptRunningUntil(SIGHUP) << "^$"
            << "^$";
    }
    void answersBeforeAnyWindow() {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, environment);
        QFETCH(QString, standardOutput);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);

        auto settings = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "QT_QPA_PLATFORM",
                                 "XDG_SESSION_TYPE"})
            settings.remove(name);
        QTemporaryDir temporary;
        QVERIFY(temporary.isValid());
        settings.insert("XDG_RUNTIME_DIR", runtime_.path());
        settings.insert("TMPDIR", temporary.path());
        // A setting without a value removes the variable.
        for (const QString &setting : environment)
            if (setting.contains('='))
                settings.insert(setting.section('=', 0, 0),
                                setting.section('=', 1).replace('@', temporary.path()));
            else
                settings.remove(setting);
        QProcess program;
        program.setProcessEnvironment(settings);
        if (!standardOutput.isEmpty())
            program.setStandardOutputFile(standardOutput);
        program.start(LUMATIC_PROGRAM, arguments);
        QVERIFY(program.waitForStarted());

        if (exitCode < 0) {
            // Refusing takes no time; a program still there has got past the check.
            QVERIFY2(!program.waitForFinished(1500), program.readAllStandardError().constData());
            ::kill(pid_t(program.processId()), -exitCode);
            // Within a second, as Close everything ends it.
            QVERIFY(program.waitForFinished(1000));
            exitCode = 0;
        } else {
            QVERIFY(program.waitForFinished(30000));
        }
        const QString said = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(QRegularExpression(output).match(said).hasMatch(), qPrintable(said));
        if (!error.isNull())
            QVERIFY2(QRegularExpression(error).match(complained).hasMatch(),
                     qPrintable(complained));
        QCOMPARE(program.exitCode(), exitCode);
        const QStringList left =
            QDir(temporary.path())
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

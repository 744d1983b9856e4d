#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The exit status of a row whose program must still be running when it is looked at.
constexpr int keepsRunning = -1;

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

// The program as a shell starts it, without any display unless a row gives one.
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
            << keepsRunning << "^$" << QString();
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
        settings.insert("XDG_RUNTIME_DIR", runtime_.path());
        for (const QString &setting : environment)
            settings.insert(setting.section('=', 0, 0), setting.section('=', 1));
        QProcess program;
        program.setProcessEnvironment(settings);
        if (!standardOutput.isEmpty())
            program.setStandardOutputFile(standardOutput);
        program.start(LUMATIC_PROGRAM, arguments);
        QVERIFY(program.waitForStarted());

        if (exitCode == keepsRunning) {
            // Refusing takes no time; a program still there has got past the check.
            QVERIFY2(!program.waitForFinished(1500), program.readAllStandardError().constData());
            program.kill();
            program.waitForFinished();
            return;
        }
        QVERIFY(program.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(QRegularExpression(output).match(said).hasMatch(), qPrintable(said));
        QVERIFY2(QRegularExpression(error).match(complained).hasMatch(), qPrintable(complained));
        QCOMPARE(program.exitCode(), exitCode);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "test_command_line.moc"

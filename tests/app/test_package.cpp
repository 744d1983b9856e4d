#include "lumatic_test.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

using lumatic::test::runTool;

// The .deb as a distribution would take it, made from this build by the test's fixture.
class TestPackage : public QObject {
    Q_OBJECT

    QString package_;
    QTemporaryDir root_;

private slots:
    void initTestCase() {
        const QDir folder(LUMATIC_PACKAGE_DIR);
        const QStringList packages = folder.entryList({"*.deb"}, QDir::Files);
        QCOMPARE(packages.size(), 1);
        package_ = folder.filePath(packages.first());
        QVERIFY(root_.isValid());
        QString said;
        QVERIFY2(runTool("dpkg-deb", {"--extract", package_, root_.path()}, &said) == 0,
                 qPrintable(said));
    }

    // The documents Debian asks of every package, each naming this version or licence.
    void documentsAreThere_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line");
        const QString version = QRegularExpression::escape(LUMATIC_VERSION);
        QTest::newRow("manual page") << "usr/share/man/man1/lumatic.1.gz"
                                     << QString(R"(^\.TH LUMATIC 1 \S+ "lumatic %1")").arg(version);
        QTest::newRow("copyright") << "usr/share/doc/lumatic/copyright"
                                   << "^License: MIT$";
        QTest::newRow("changelog")
            << "usr/share/doc/lumatic/changelog.gz" << QString(R"(^lumatic \(%1\) )").arg(version);
    }
    void documentsAreThere() {
        QFETCH(QString, path);
        QFETCH(QString, line);
        const QString file = root_.filePath(path);
        QVERIFY2(QFile::exists(file), qPrintable(path));
        QString text;
        if (file.endsWith(".gz")) {
            QCOMPARE(runTool("gzip", {"--decompress", "--stdout", file}, &text,
                             QProcess::SeparateChannels),
                     0);
        } else {
            QFile plain(file);
            QVERIFY(plain.open(QIODevice::ReadOnly | QIODevice::Text));
            text = QString::fromUtf8(plain.readAll());
        }
        const QRegularExpression expected(line, QRegularExpression::MultilineOption);
        QVERIFY2(expected.match(text).hasMatch(), qPrintable(line));
    }

    void lintianFindsNoErrorOrWarning() {
        if (qEnvironmentVariableIntValue("LUMATIC_SKIP_LINTIAN") == 1)
            QSKIP("LUMATIC_SKIP_LINTIAN=1");
        if (QStandardPaths::findExecutable("lintian").isEmpty())
            QSKIP("lintian is not installed");
        QString said;
        const int code = runTool("lintian", {"--pedantic", "--fail-on", "error,warning", package_},
                                 &said, QProcess::SeparateChannels);
        QVERIFY2(code == 0, qPrintable(said));
    }

    // Asked by users and package tools alike, with no display to show anything on.
    void theInstalledProgramAnswers() {
        QProcess program;
        QVERIFY(lumatic::test::start(program, root_.filePath("usr/bin/lumatic"), {"--version"},
                                     {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("lumatic " LUMATIC_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"

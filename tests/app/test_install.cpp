#include "lumatic_test.h"
#include "pictures/icon-book-16.xpm"
#include "pictures/icon-book-32.xpm"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <array>

using namespace lumatic;
using lumatic::test::runTool;

// The program as the desktop sees it under /usr in a scratch root, installed by the build and
// unpacked from the .deb that the test's fixture makes from this build, as a distribution takes it.
class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir roots_; // "installed" and "packaged"
    QString package_;
    QString usr(const QString &root = "installed") const { return roots_.filePath(root + "/usr"); }
    static QString icon(int size) {
        return QString("share/icons/hicolor/%1x%1/apps/org.example.Lumatic.png").arg(size);
    }

private slots:
    void initTestCase() {
        QVERIFY(roots_.isValid());
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DESTDIR", roots_.filePath("installed"));
        QString said;
        QVERIFY2(runTool("cmake", {"--install", LUMATIC_BUILD_DIR, "--prefix", "/usr"}, &said,
                         QProcess::MergedChannels, environment) == 0,
                 qPrintable(said));
#ifndef LUMATIC_SANITIZED
        const QDir folder(LUMATIC_PACKAGE_DIR);
        const QStringList packages = folder.entryList({"*.deb"}, QDir::Files);
        QCOMPARE(packages.size(), 1);
        package_ = folder.filePath(packages.first());
        const QString packaged = roots_.filePath("packaged");
        QVERIFY2(runTool("dpkg-deb", {"--extract", package_, packaged}, &said) == 0,
                 qPrintable(said));
#endif
    }
    void init() {
        if (package_.isEmpty() && QByteArray(QTest::currentDataTag()).startsWith("packaged"))
            QSKIP("sanitizer builds make no package");
    }

    // Where the desktop looks, and the documents Debian asks of every package, each naming this
    // version or licence.
    void filesLandWhereTheDesktopLooks_data() {
        QTest::addColumn<QString>("usr");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("line"); // one the file holds; empty: not read
        const QString version = QRegularExpression::escape(LUMATIC_VERSION);
        std::vector<std::array<QString, 3>> files = {
            {"program", "bin/lumatic"},
            {"web module", LUMATIC_INSTALLED_MODULE},
            {"desktop entry", "share/applications/org.example.Lumatic.desktop"},
            {"metainfo", "share/metainfo/org.example.Lumatic.metainfo.xml"},
            {"manual page", "share/man/man1/lumatic.1.gz",
             QString(R"(^\.TH LUMATIC 1 \S+ "lumatic %1")").arg(version)},
            {"copyright", "share/doc/lumatic/copyright", "^License: MIT$"},
            {"changelog", "share/doc/lumatic/changelog.gz",
             QString(R"(^lumatic \(%1\) )").arg(version)}};
        for (int size : {16, 32, 48, 256})
            files.push_back({QString("icon %1").arg(size), icon(size)});
        for (const char *root : {"installed", "packaged"})
            for (const auto &[tag, path, line] : files)
                QTest::addRow("%s: %s", root, qPrintable(tag)) << usr(root) << path << line;
    }
    void filesLandWhereTheDesktopLooks() {
        QFETCH(QString, usr);
        QFETCH(QString, path);
        QFETCH(QString, line);
        const QString file = usr + "/" + path;
        QVERIFY2(QFile::exists(file), qPrintable(path));
        if (line.isEmpty())
            return;
        // gzip passes a file it did not compress through as it is.
        QString text;
        QCOMPARE(runTool("gzip", {"--decompress", "--stdout", "--force", file}, &text,
                         QProcess::SeparateChannels),
                 0);
        const QRegularExpression expected(line, QRegularExpression::MultilineOption);
        QVERIFY2(expected.match(text).hasMatch(), qPrintable(line));
    }

    // Larger icons are the same pixel art, each pixel a square block.
    void iconsScalePixelForPixel_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("from");
        for (const auto &[size, from] : {std::pair(16, 16), {32, 32}, {48, 16}, {256, 32}})
            QTest::addRow("%d", size) << size << from;
    }
    void iconsScalePixelForPixel() {
        QFETCH(int, size);
        QFETCH(int, from);
        const QImage scaled(usr() + "/" + icon(size));
        QCOMPARE(scaled.size(), QSize(size, size));
        const QImage art = from == 16 ? QImage(icon_book_16_xpm) : QImage(icon_book_32_xpm);
        const int scale = size / from;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                QCOMPARE(scaled.pixel(x, y), art.pixel(x / scale, y / scale));
    }

    void validatorsFindNothingWrong_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("desktop entry") << QStringList{
            "desktop-file-validate", usr() + "/share/applications/org.example.Lumatic.desktop"};
        QTest::newRow("metainfo") << QStringList{
            "appstreamcli", "validate", "--no-net", "--pedantic",
            usr() + "/share/metainfo/org.example.Lumatic.metainfo.xml"};
        QTest::newRow("packaged: lintian")
            << QStringList{"lintian", "--pedantic", "--fail-on", "error,warning", package_};
    }
    void validatorsFindNothingWrong() {
        QFETCH(QStringList, command);
        const QString tool = command.takeFirst();
        if (tool == "lintian" && qEnvironmentVariableIntValue("LUMATIC_SKIP_LINTIAN") == 1)
            QSKIP("LUMATIC_SKIP_LINTIAN=1");
        if (tool == "lintian" && QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP("lintian is not installed");
        QString said;
        QVERIFY2(runTool(tool, command, &said) == 0, qPrintable(said));
        if (tool == "desktop-file-validate")
            QVERIFY2(said.trimmed().isEmpty(), qPrintable(said));
    }

    // Asked by users and package tools alike, with no display to show anything on.
    void theInstalledProgramAnswers_data() {
        QTest::addColumn<QString>("usr");
        for (const char *root : {"installed", "packaged"})
            QTest::newRow(root) << usr(root);
    }
    void theInstalledProgramAnswers() {
        QFETCH(QString, usr);
        QProcess program;
        QVERIFY(test::start(program, usr + "/bin/lumatic", {"--version"},
                            {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}));
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(program.readAllStandardOutput(), QByteArray("lumatic " LUMATIC_VERSION "\n"));
    }

    // The installed program looks for its module relative to itself.
    void theInstalledProgramFindsItsBrowser() {
        const QStringList candidates = browserModuleCandidates(usr() + "/bin");
        QVERIFY(!QFile::exists(candidates.first()));
        QWidget host;
        QString error;
        std::unique_ptr<Browser> browser(loadBrowser(&host, candidates, &error));
        QVERIFY2(browser, qPrintable(error));
    }

    void noBuildPathsInTheBinaries() {
#ifdef LUMATIC_SANITIZED
        QSKIP("sanitizer builds keep their source paths for their reports");
#endif
        for (const QString &path :
             {usr() + "/bin/lumatic", usr() + "/" + LUMATIC_INSTALLED_MODULE}) {
            QFile binary(path);
            QVERIFY(binary.open(QIODevice::ReadOnly));
            const QByteArray content = binary.readAll();
            QVERIFY2(!content.contains(LUMATIC_SOURCE_DIR), qPrintable(path));
            QVERIFY2(!content.contains(LUMATIC_BUILD_DIR), qPrintable(path));
        }
    }
};

LUMATIC_TEST_MAIN(TestInstall)
#include "test_install.moc"

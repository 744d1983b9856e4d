#include "lumatic_test.h"
#include "pictures/icon-book-16.xpm"
#include "pictures/icon-book-32.xpm"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"

#include <QTemporaryDir>
#include <QWidget>

using namespace lumatic;
using lumatic::test::runTool;

// The program as the desktop sees it once installed under /usr in a scratch root.
class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString usr() const { return root_.filePath("usr"); }

private slots:
    void initTestCase() {
        QVERIFY(root_.isValid());
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DESTDIR", root_.path());
        QString said;
        QCOMPARE(runTool("cmake", {"--install", LUMATIC_BUILD_DIR, "--prefix", "/usr"}, &said,
                         QProcess::MergedChannels, environment),
                 0);
    }

    void filesLandWhereTheDesktopLooks_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("program") << "bin/lumatic";
        QTest::newRow("web module") << LUMATIC_INSTALLED_MODULE;
        QTest::newRow("desktop entry") << "share/applications/org.example.Lumatic.desktop";
        QTest::newRow("metainfo") << "share/metainfo/org.example.Lumatic.metainfo.xml";
        for (int size : {16, 32, 48, 256}) {
            const QString icon =
                QString("share/icons/hicolor/%1x%1/apps/org.example.Lumatic.png").arg(size);
            QTest::newRow(qPrintable(icon)) << icon;
        }
    }
    void filesLandWhereTheDesktopLooks() {
        QFETCH(QString, path);
        QVERIFY2(QFile::exists(usr() + "/" + path), qPrintable(path));
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
        const QImage icon(
            usr() + QString("/share/icons/hicolor/%1x%1/apps/org.example.Lumatic.png").arg(size));
        QCOMPARE(icon.size(), QSize(size, size));
        const QImage art = from == 16 ? QImage(icon_book_16_xpm) : QImage(icon_book_32_xpm);
        const int scale = size / from;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                QCOMPARE(icon.pixel(x, y), art.pixel(x / scale, y / scale));
    }

    void desktopFilesValidate_data() {
        QTest::addColumn<QStringList>("command");
        QTest::newRow("desktop entry") << QStringList{
            "desktop-file-validate", usr() + "/share/applications/org.example.Lumatic.desktop"};
        QTest::newRow("metainfo") << QStringList{
            "appstreamcli", "validate", "--no-net", "--pedantic",
            usr() + "/share/metainfo/org.example.Lumatic.metainfo.xml"};
    }
    void desktopFilesValidate() {
        QFETCH(QStringList, command);
        QString said;
        const QString tool = command.takeFirst();
        QVERIFY2(runTool(tool, command, &said) == 0, qPrintable(said));
        if (tool == "desktop-file-validate")
            QVERIFY2(said.trimmed().isEmpty(), qPrintable(said));
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

    // Nothing of the machine that built it is baked into what is installed.
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

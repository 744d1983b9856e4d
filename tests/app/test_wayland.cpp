#include "lumatic_test.h"
#include "shown_main_window.h"

#include <QFileInfo>

using namespace lumatic;

// Lumatic as a Wayland client of a compositor of its own (weston), with no X display at all.

class TestWayland : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;

private slots:
    void init() { shown_.init(); }
    void cleanup() { shown_.cleanup(); }
    void initTestCase() { QCOMPARE(QGuiApplication::platformName(), "wayland"); }

    // The program finds Wayland by itself and names its window after the desktop entry.
    void theProgramRunsNatively() {
        QProcess program;
        QVERIFY(test::start(program, LUMATIC_PROGRAM, {}, {"WAYLAND_DEBUG=client"}));
        const QString appId =
            QString("set_app_id(\"%1\")").arg(QFileInfo(LUMATIC_DESKTOP_ENTRY).completeBaseName());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += program.readAllStandardError()).contains(appId.toUtf8()),
                                 10000);
        QVERIFY(said.contains("set_title(\"Kingpin Lumatic\")"));
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished();
    }

    void aSelectionPlaysAndCloseEverythingEndsIt() {
        QTest::mouseClick(shown_.control("Label5"), Qt::LeftButton);
        QTRY_VERIFY(shown_.control<QLineEdit>("stylerun")->text().endsWith("/33"));
        QTRY_VERIFY(shown_.control<Swatch>("preview")->backColor() != 0x808080);
        QCOMPARE(shown_.runToTheEnd(
                     [&] { QTest::mouseClick(shown_.control("Image3"), Qt::LeftButton); }),
                 0);
        QVERIFY(!shown_.registry().anyOpen());
    }

    // A caption breaks its frame's border just around its text.
    void captionsFitTheirBreakInTheBorder_data() {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Frame1", "Frame2", "Frame3"})
            QTest::newRow(name) << name;
    }
    void captionsFitTheirBreakInTheBorder() {
        QFETCH(QString, name);
        auto *frame = shown_.control<Frame>(name);
        const QImage image = frame->grab().toImage();
        const QColor border = frame->captionColour();
        const int right = image.width() - 1;
        int borderY = 1;
        while (borderY < image.height() && image.pixelColor(right, borderY) != border)
            ++borderY;
        // Where the caption breaks the top border, and where its ink lies in that break.
        QRect gap, ink;
        for (int x = 1; x < right; ++x)
            if (image.pixelColor(x, borderY) != border)
                gap |= QRect(x, borderY, 1, 1);
        for (int x = gap.left(); x <= gap.right(); ++x)
            for (int y = 0; y < 2 * borderY; ++y)
                if (image.pixelColor(x, y) != frame->palette().color(QPalette::Window))
                    ink |= QRect(x, y, 1, 1);
        QVERIFY(ink.left() > gap.left());
        QVERIFY(ink.left() - gap.left() <= 4);
        QVERIFY(gap.right() - ink.right() <= 4);
    }
};

LUMATIC_TEST_MAIN(TestWayland)
#include "test_wayland.moc"

#include "lumatic_test.h"
#include "toolkit/colours.h"
#include "toolkit/controls.h"
#include "windows/help/help_window.h"

#include <QApplication>
#include <QPointer>
#include <QTest>

using namespace lumatic;
using lumatic::test::control;

class TestHelpWindow : public QObject {
    Q_OBJECT

private slots:
    void layout_data() {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("Frame1") << "Form3" << QRect(8, 24, 241, 169);
        QTest::newRow("Label1") << "Frame1" << QRect(8, 24, 225, 97);
        QTest::newRow("Label2") << "Frame1" << QRect(8, 128, 57, 17);
        QTest::newRow("Label3") << "Frame1" << QRect(8, 144, 49, 17);
        QTest::newRow("Frame2") << "Form3" << QRect(8, 200, 241, 129);
        QTest::newRow("Label4") << "Frame2" << QRect(8, 24, 225, 97);
        QTest::newRow("Image1") << "Form3" << QRect(224, 0, 24, 22);
    }
    void layout() {
        QFETCH(QString, container);
        QFETCH(QRect, pixels);
        const QString name = QTest::currentDataTag();
        HelpWindow help;
        test::checkPlace(help, name, container, pixels);
        if (!QTest::currentTestFailed())
            QCOMPARE(control(help, name)->focusPolicy(), Qt::NoFocus);
    }

    void window() {
        HelpWindow help;
        QCOMPARE(help.objectName(), "Form3");
        QCOMPARE(help.windowTitle(), "Help and About");
        QCOMPARE(help.size(), QSize(256, 342));
        QCOMPARE(help.minimumSize(), help.maximumSize());
        QCOMPARE(help.palette().color(QPalette::Window), colourFromValue(0x1D1D1D));
        QCOMPARE(control<PictureButton>(help, "Image1")->picture().size(), QSize(24, 22));
        // The grey line runs along the top from the left edge to the picture.
        const QImage shot = help.grab().toImage();
        QCOMPARE(shot.pixelColor(0, 8), colourFromValue(0x808080));
        QCOMPARE(shot.pixelColor(223, 8), colourFromValue(0x808080));
        QCOMPARE(shot.pixelColor(100, 7), colourFromValue(0x1D1D1D));
    }

    void texts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("colour");
        const auto row = [](const char *tag, const char *name, const char *text, uint colour) {
            QTest::newRow(tag) << QString(name) << QString(text) << colour;
        };
        row("help text", "Label1",
            "(This program is meant for map making for the game Kingpin: Life of Crime. First "
            "click a light style you would like to read more about and see a short preview. "
            "When found a good one for your map, use the # in (most likely) Kpradiant for...",
            0xC0C0C0);
        row("key", "Label2", "Key: Style", 0xA6C1C6);
        row("value", "Label3", "Value: #", 0xA6C1C6);
    }
    void texts() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(uint, colour);
        HelpWindow help;
        test::checkLabel(help, name, text, colour);
        if (QTest::currentTestFailed())
            return;
        // The whole text shows within its box.
        const auto *label = control<QLabel>(help, name);
        const QRect needed = QFontMetrics(label->font())
                                 .boundingRect(label->rect(), Qt::TextWordWrap, label->text());
        QVERIFY(needed.height() <= label->height());
    }

    void captionsAndAbout() {
        HelpWindow help;
        const auto *instructions = control<Frame>(help, "Frame1");
        QCOMPARE(instructions->caption(), "Help (Instructions)");
        QCOMPARE(instructions->captionFont().pointSizeF(), 9.75);
        const auto *about = control<Frame>(help, "Frame2");
        QCOMPARE(about->caption(), "About");
        QCOMPARE(about->captionFont(), QApplication::font());
        // Three sentences of credit, with contact details that belong to nobody real.
        const QString credits = control<QLabel>(help, "Label4")->text();
        QCOMPARE(credits.count(". ") + 1, 3);
        QVERIFY(credits.contains("the Lumatic authors"));
        QVERIFY(credits.contains("@example.org"));
    }

    void pictureClosesTheWindowAndNothingElseDoes() {
        QPointer<HelpWindow> help = new HelpWindow;
        help->showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(3, 3));
        for (const char *name : {"Frame1", "Frame2", "Label1", "Label2", "Label4"}) {
            auto *target = help->findChild<QWidget *>(name);
            QVERIFY2(target, name);
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(3, 3));
        }
        QVERIFY(help->isVisible());
        QTest::mouseClick(control(*help, "Image1"), Qt::LeftButton);
        QVERIFY(!help->isVisible());
        QTRY_VERIFY(help.isNull());
    }
};

LUMATIC_TEST_MAIN(TestHelpWindow)
#include "test_help_window.moc"

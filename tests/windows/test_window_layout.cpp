#include "lumatic_test.h"
#include "shown_main_window.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPointer>

using namespace lumatic;
using lumatic::test::control;

namespace {

constexpr auto *rgb = colourFromValue;

// The window as a user sees it, for checks on what is actually drawn: one sample per logical
// pixel, so that the checks hold at any scale.
QImage shot(QWidget &window) {
    QImage image = window.grab().toImage().scaled(window.size(), Qt::IgnoreAspectRatio,
                                                  Qt::FastTransformation);
    image.setDevicePixelRatio(1);
    return image;
}

// The rightmost column of a region that holds text lighter than the background's grey, counted
// from the region's left, or -1 when there is none.
int inkRight(const QImage &image, const QRect &region, int background = 0x60) {
    for (int x = region.right(); x >= region.left(); --x)
        for (int y = region.top(); y <= region.bottom(); ++y)
            if (qGray(image.pixel(x, y)) > background)
                return x - region.left();
    return -1;
}

struct TextRow {
    const char *tag, *name, *text;
    uint colour = 0xC0C0C0;
    bool arial = true; // else the application's font
};

} // namespace

// The main window and the help window as drawn, and the main window as assistive tools read it.
class TestWindowLayout : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;
    MainWindow *main_ = nullptr;
    HelpWindow help_;

    // The window a row's tag names: the help window's start with "help ".
    QWidget &rowWindow() {
        return QTest::currentDataTag()[0] == 'h' ? static_cast<QWidget &>(help_) : *main_;
    }
    static QString rowControl() { return QString(QTest::currentDataTag()).section(' ', -1); }
    QAccessibleInterface *readable(const QString &name) {
        return QAccessible::queryAccessibleInterface(shown_.control(name));
    }

private slots:
    void initTestCase() {
        shown_.init();
        main_ = &shown_.main();
        help_.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&help_));
    }
    void cleanupTestCase() { shown_.cleanup(); }

    void window() {
        test::checkWindow(*main_, "Form1", "Kingpin Lumatic", {298, 379});
        QVERIFY(main_->windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(main_->windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    // Where each control lies, shown and never taking the focus; a label shows its whole text
    // within its box, a list caption on its single line (a wider one would wrap to a second).
    void geometry_data() {
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("Frame3") << "Form1" << QRect(152, 24, 137, 185);
        QTest::newRow("Frame2") << "Form1" << QRect(8, 24, 137, 185);
        QTest::newRow("Frame1") << "Form1" << QRect(8, 216, 281, 153);
        QTest::newRow("Image3") << "Form1" << QRect(272, 0, 24, 22);
        QTest::newRow("Label22") << "Form1" << QRect(8, 8, 225, 17);
        QTest::newRow("Image2") << "Form1" << QRect(248, 0, 24, 22);
        QTest::newRow("Image1") << "Form1" << QRect(224, 0, 24, 22);
        QTest::newRow("stylerun") << "Frame1" << QRect(8, 56, 265, 19);
        QTest::newRow("style") << "Frame1" << QRect(8, 16, 265, 17);
        QTest::newRow("uses") << "Frame1" << QRect(8, 72, 265, 49);
        QTest::newRow("preview") << "Frame1" << QRect(8, 120, 265, 25);
        QTest::newRow("strings") << "Frame1" << QRect(8, 32, 265, 25);
        QTest::newRow("help Frame1") << "Form3" << QRect(8, 24, 241, 169);
        QTest::newRow("help Label1") << "Frame1" << QRect(8, 24, 225, 97);
        QTest::newRow("help Label2") << "Frame1" << QRect(8, 128, 57, 17);
        QTest::newRow("help Label3") << "Frame1" << QRect(8, 144, 49, 17);
        QTest::newRow("help Frame2") << "Form3" << QRect(8, 200, 241, 129);
        QTest::newRow("help Label4") << "Frame2" << QRect(8, 24, 225, 97);
        QTest::newRow("help Image1") << "Form3" << QRect(224, 0, 24, 22);
        for (int row = 1; row <= 10; ++row) {
            const QRect rect(8, 16 * row, 129, 13);
            QTest::addRow("Label%d", row) << "Frame2" << rect;
            QTest::addRow("Label%d", 21 - row) << "Frame3" << rect;
        }
    }
    void geometry() {
        QFETCH(QString, container);
        QFETCH(QRect, pixels);
        test::checkPlace(rowWindow(), rowControl(), container, pixels);
        if (QTest::currentTestFailed())
            return;
        const QWidget *widget = test::control(rowWindow(), rowControl());
        QVERIFY(widget->isVisible());
        QVERIFY(widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled());
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const QFontMetrics metrics(label->font());
            QVERIFY(metrics.boundingRect(label->rect(), Qt::TextWordWrap, label->text()).height() <=
                    label->height());
        }
    }

    void texts_data() {
        const TextRow rows[] = {
            {"Label22", "Label22", "Lumatic v1.0 (For Kingpin)", 0xE0E0E0},
            {"style", "style", "style name"},
            {"strings", "strings", "strings abc... a=dark, m=normal, z=bright"},
            {"uses", "uses", "uses"},
            {"top left", "Label1", "1 - Fire Flicker", 0xC0C0C0, false},
            {"top right", "Label20", "11 - Black Fade Pulse", 0xC0C0C0, false},
            {"bottom left", "Label10", "10 - Fluorescent Flicker", 0xC0C0C0, false},
            {"bottom right", "Label11", "20 - Three Cycle Strobe 3", 0xC0C0C0, false},
            {"entry 14", "Label17", "14 - Fluorescent Flicker 4", 0xC0C0C0, false},
            {"help text", "Label1",
             "(This program is meant for map making for the game Kingpin: Life of Crime. First "
             "click a light style you would like to read more about and see a short preview. "
             "When found a good one for your map, use the # in (most likely) Kpradiant for..."},
            {"help key", "Label2", "Key: Style", 0xA6C1C6},
            {"help value", "Label3", "Value: #", 0xA6C1C6}};
        test::addRows(rows);
    }
    void texts() {
        QFETCH(TextRow, row);
        test::checkLabel(rowWindow(), row.name, row.text, row.colour, row.arial);
    }

    void frames_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<qreal>("points"); // 0 for the application's font
        QTest::newRow("Frame1") << "Style Information and Uses" << 9.0;
        QTest::newRow("Frame2") << "Lumatic" << 9.0;
        QTest::newRow("Frame3") << "Lumatic Continued" << 9.0;
        QTest::newRow("help Frame1") << "Help (Instructions)" << 9.75;
        QTest::newRow("help Frame2") << "About" << 0.0;
    }
    void frames() {
        QFETCH(qreal, points);
        const auto *frame = control<Frame>(rowWindow(), rowControl());
        QTEST(frame->caption(), "caption");
        QCOMPARE(frame->captionColour(), rgb(0xA6C1C6));
        QCOMPARE(frame->palette().color(QPalette::Window), rgb(0x1D1D1D));
        if (!points) {
            QCOMPARE(frame->captionFont(), QApplication::font());
            return;
        }
        QCOMPARE(QFontInfo(frame->captionFont()).family(), "Liberation Sans");
        QCOMPARE(frame->captionFont().pointSizeF(), points);
    }

    void positionBoxAndSwatch() {
        const auto *box = shown_.control<QLineEdit>("stylerun");
        QCOMPARE(box->text(), test::initialBox);
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->palette().color(QPalette::Base), rgb(0x1D1D1D));
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::Text), rgb(0xC0C0C0));
        QCOMPARE(QFontInfo(box->font()).family(), "Liberation Sans");
        const auto *swatch = shown_.control<Swatch>("preview");
        QCOMPARE(swatch->backColor(), 0x808080u);
        QCOMPARE(swatch->outlineColour(), rgb(0xA6C1C6));
        const QImage image = shot(*main_);
        const QPoint origin = swatch->mapTo(main_, QPoint(0, 0));
        QCOMPARE(image.pixelColor(origin + QPoint(100, 12)), rgb(0x808080));
        QCOMPARE(image.pixelColor(origin), rgb(0xA6C1C6));
        // The disabled box's text is the classic disabled grey, not the labels' light grey: its
        // brightest ink is 0x80.
        const QRect boxArea(box->mapTo(main_, QPoint(0, 0)), box->size());
        QVERIFY(inkRight(image, boxArea, 0x7F) >= 0);
        QCOMPARE(inkRight(image, boxArea, 0x80), -1);
    }

    // A pattern is one long word: it breaks between letters, filling the first line, and the
    // rest shows in the part of the second line that the label has room for.
    void patternsWrapBetweenLetters_data() {
        QTest::addColumn<int>("entry");
        for (int entry = 1; entry <= styleCount; ++entry)
            QTest::newRow(styleEntry(entry).pattern.data()) << entry;
    }
    void patternsWrapBetweenLetters() {
        QFETCH(int, entry);
        const QString pattern = test::q(styleEntry(entry).pattern);
        auto *strings = shown_.control<QLabel>("strings");
        const QString before = strings->text();
        main_->Label_Click(entry <= 10 ? entry : 31 - entry);
        main_->Form_Click();
        QCOMPARE(strings->text(), pattern);
        const QImage image = shot(*main_);
        strings->setText(before);
        const QFontMetricsF metrics(strings->font(), strings);
        qsizetype fit = pattern.size();
        while (metrics.horizontalAdvance(pattern.left(fit)) > strings->width())
            --fit;
        const QRect label(strings->mapTo(main_, QPoint(0, 0)), strings->size());
        const int line = qRound(metrics.lineSpacing());
        // The second line is read where its small letters stand, below the first line's
        // descenders; the position box covers the label's last row.
        const QRect first(label.topLeft(), QSize(label.width(), line));
        const int small = line + qCeil(metrics.ascent() - metrics.xHeight());
        const QRect second(label.left(), label.top() + small, label.width(),
                           label.height() - small - 1);
        // The ink ends where the letters' advance does, less a letter's side bearing.
        const auto near = [](int ink, qreal advance) {
            return ink + 1 >= advance - 3 && ink + 1 <= advance + 1;
        };
        QVERIFY(near(inkRight(image, first), metrics.horizontalAdvance(pattern.left(fit))));
        if (fit == pattern.size())
            QCOMPARE(inkRight(image, second), -1);
        else
            QVERIFY(near(inkRight(image, second), metrics.horizontalAdvance(pattern.mid(fit))));
        QVERIFY(metrics.horizontalAdvance(pattern.mid(fit)) <= strings->width());
    }

    void pictureButtons_data() {
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("Image1") << "Help and About Lumatic v1.0";
        QTest::newRow("Image2") << ""; // the news button has none
        QTest::newRow("Image3") << "Close Everything";
        QTest::newRow("help Image1") << "";
    }
    void pictureButtons() {
        const auto *button = control<PictureButton>(rowWindow(), rowControl());
        QTEST(button->toolTip(), "toolTip");
        QCOMPARE(button->picture().size(), QSize(24, 22));
        // A raised button: black outline, white upper-left edge, grey lower-right, grey face.
        const QImage image = button->picture().toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(image.pixelColor(23, 21), QColor(Qt::black));
        QCOMPARE(image.pixelColor(1, 5), QColor(Qt::white));
        QCOMPARE(image.pixelColor(22, 5), rgb(0x808080));
        QCOMPARE(image.pixelColor(2, 2), rgb(0xC0C0C0));
        // Drawn at its natural size where it stands.
        QCOMPARE(shot(rowWindow()).copy(button->geometry()),
                 image.convertToFormat(QImage::Format_RGB32));
    }

    // Later children are drawn over earlier ones.
    void frontToBack() {
        const auto order = [](const QObject *parent) {
            QStringList names;
            for (const QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                names << child->objectName();
            return names;
        };
        QCOMPARE(order(main_), QStringList({"Image1", "Image2", "Label22", "Image3", "Frame1",
                                            "Frame2", "Frame3"}));
        QCOMPARE(order(shown_.control("Frame1")),
                 QStringList({"strings", "preview", "uses", "style", "stylerun"}));
    }

    // The title band lies behind everything and runs out of the window on the right.
    void titleBand() {
        const QImage image = shot(*main_);
        QCOMPARE(image.pixelColor(8, 6), rgb(0x404040));
        QCOMPARE(image.pixelColor(7, 16), rgb(0x1D1D1D));
        QCOMPARE(image.pixelColor(240, 23), rgb(0x404040));
        QCOMPARE(image.pixelColor(297, 16), rgb(0x404040));
        QCOMPARE(image.pixelColor(150, 5), rgb(0x1D1D1D));
        QCOMPARE(image.pixelColor(150, 34), rgb(0x1D1D1D)); // in a frame, below its caption
    }

    void nothingTakesTheFocus() {
        for (const QWidget *widget : main_->findChildren<QWidget *>())
            QVERIFY2(widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled(),
                     qPrintable(widget->objectName()));
    }

    // By object name: the name a control is read by, and its role.
    void namesAndRoles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::newRow("Image1") << "Help and About" << QAccessible::Button;
        QTest::newRow("Image2") << "News" << QAccessible::Button;
        QTest::newRow("Image3") << "Close Everything" << QAccessible::Button;
        QTest::newRow("Label1") << "1 - Fire Flicker" << QAccessible::StaticText;
        QTest::newRow("Label20") << "11 - Black Fade Pulse" << QAccessible::StaticText;
        QTest::newRow("Label22") << "Lumatic v1.0 (For Kingpin)" << QAccessible::StaticText;
        QTest::newRow("Frame1") << "Style Information and Uses" << QAccessible::Client;
        QTest::newRow("Frame3") << "Lumatic Continued" << QAccessible::Client;
        QTest::newRow("preview") << "Preview" << QAccessible::Client;
        QTest::newRow("stylerun") << "Position" << QAccessible::EditableText;
    }
    void namesAndRoles() {
        QAccessibleInterface *node = readable(QTest::currentDataTag());
        QTEST(node->text(QAccessible::Name), "name");
        QTEST(node->role(), "role");
    }

    void thePreviewSpeaksItsLevelAndPosition() {
        main_->Label_Click(4);
        shown_.registry().clocks().tick(4);
        QAccessibleInterface *swatch = readable("preview");
        QCOMPARE(swatch->text(QAccessible::Description), "Level m");
        shown_.registry().clocks().tick(4);
        QCOMPARE(swatch->text(QAccessible::Description), "Level a");
        QAccessibleInterface *box = readable("stylerun");
        QCOMPARE(box->textInterface()->text(0, box->textInterface()->characterCount()), "2/12");
        main_->Form_Click();
    }

    // An assistive tool presses a picture button as a user clicks it.
    void pictureButtonsCanBePressed() {
        QAccessibleActionInterface *help = readable("Image1")->actionInterface();
        QVERIFY(help);
        QVERIFY(help->actionNames().contains(QAccessibleActionInterface::pressAction()));
        help->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(shown_.registry().existingHelpWindow());
    }

    void helpWindow() {
        test::checkWindow(help_, "Form3", "Help and About", {256, 342});
        // The grey line runs along the top from the left edge to the picture.
        const QImage image = shot(help_);
        QCOMPARE(image.pixelColor(0, 8), rgb(0x808080));
        QCOMPARE(image.pixelColor(223, 8), rgb(0x808080));
        QCOMPARE(image.pixelColor(100, 7), rgb(0x1D1D1D));
    }

    // Three sentences of credit, with contact details that belong to nobody real.
    void aboutGivesCredit() {
        const QString credits = control<QLabel>(help_, "Label4")->text();
        QCOMPARE(credits.count(". ") + 1, 3);
        QVERIFY(credits.contains("the Lumatic authors"));
        QVERIFY(credits.contains("@example.org"));
    }

    void helpPictureClosesItAndNothingElseDoes() {
        QPointer<HelpWindow> help = new HelpWindow;
        help->showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::mouseClick(help, Qt::LeftButton, {}, QPoint(3, 3));
        for (const char *name : {"Frame1", "Frame2", "Label1", "Label2", "Label4"})
            QTest::mouseClick(control(*help, name), Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(help->isVisible());
        QTest::mouseClick(control(*help, "Image1"), Qt::LeftButton);
        QVERIFY(!help->isVisible());
        QTRY_VERIFY(help.isNull());
    }
};

LUMATIC_TEST_MAIN(TestWindowLayout)
#include "test_window_layout.moc"

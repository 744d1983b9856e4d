#include "lumatic_test.h"
#include "shown_main_window.h"
#include "windows/news/browser_loader.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QWindow>

using namespace lumatic;
using lumatic::test::control;
using lumatic::test::q;

namespace {

constexpr auto *rgb = colourFromValue;

// What is drawn, one sample per logical pixel so that the checks hold at any scale.
QImage shot(QWidget &window) {
    QImage image = window.grab().toImage().scaled(window.size(), Qt::IgnoreAspectRatio,
                                                  Qt::FastTransformation);
    image.setDevicePixelRatio(1);
    return image;
}

// The region's last column with ink lighter than the background, from its left; -1: none.
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

std::uint32_t grey(char letter) {
    return std::uint32_t(letter - 'a') * 10 * 0x010101;
}

// An independent account of what the user should see.
struct Model {
    std::array<int, clockCount> counters{};
    int running = 0;
    QString box = test::initialBox;
    std::uint32_t swatch = 0x808080;
    QString style = "style name", strings = "strings abc... a=dark, m=normal, z=bright",
            uses = "uses";

    void select(int entry) {
        const StyleEntry &e = styleEntry(entry);
        style = q(e.displayName);
        strings = q(e.pattern);
        uses = q(e.info);
        running = e.clock;
    }
    QStringList seen() const {
        QStringList all = {style, strings, uses, box, QString::number(swatch)};
        for (int clock = 1; clock <= clockCount; ++clock)
            all << QString("%1%2").arg(counters[clock - 1]).arg(clock == running ? "+" : "");
        return all;
    }
    void tick() {
        if (!running)
            return;
        const std::string_view pattern =
            std::ranges::find(styleCatalogue, running, &StyleEntry::clock)->pattern;
        int &count = counters[running - 1];
        count = count % int(pattern.size()) + 1;
        box = QString("%1/%2").arg(count).arg(pattern.size());
        swatch = grey(pattern[count - 1]);
    }
};

struct ScriptRow {
    const char *tag, *script, *write, *box, *swatch;
};

// The titles of the windows on screen, in order.
QStringList shownWindows() {
    QStringList titles;
    for (const QWindow *window : QGuiApplication::topLevelWindows())
        if (window->isVisible())
            titles << window->title();
    titles.sort();
    return titles;
}

} // namespace

// The main window and the help window as drawn, and the main window as assistive tools read it;
// what the main window's selections show as the clocks tick (when the test ticks them), and its
// commands; the rules every window keeps, on a registry of stand-in windows.
class TestMainWindow : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;
    MainWindow *main_ = nullptr; // shown_'s
    std::unique_ptr<WindowRegistry> standIns_;
    int standInsMade_ = 0;
    Model model_; // played along by the steps below

    // A window of no particular content, for the rules every window keeps.
    Form *standIn(const char *name) {
        ++standInsMade_;
        return new Form(name, QString::fromLatin1(name), {100, 50}, 0);
    }

    // The label that shows an entry: the mapping is its own inverse.
    void select(int entry) {
        main_->Label_Click(MainWindow::entryOfLabel(entry));
        model_.select(entry);
    }
    void stop() {
        main_->Form_Click();
        model_.running = 0;
    }
    // As the timers would: each clock that is switched on ticks.
    void tick(int times = 1) {
        PreviewClocks *clocks = shown_.registry().existingClocks();
        for (int i = 0; i < times; ++i) {
            for (int clock = 1; clocks && clock <= clockCount; ++clock)
                if (clocks->isEnabled(clock))
                    clocks->tick(clock);
            model_.tick();
        }
    }
    QString text(const char *label) { return shown_.control<QLabel>(label)->text(); }
    PositionBox &box() { return *shown_.control<PositionBox>("stylerun"); }
    std::uint32_t swatch() { return shown_.control<Swatch>("preview")->backColor(); }
    // The window's texts and each clock's count (0 without clocks), marked "+" while it runs.
    QStringList shownTexts() {
        QStringList all = {text("style"), text("strings"), text("uses"), box().text(),
                           QString::number(swatch())};
        const PreviewClocks *clocks = shown_.registry().existingClocks();
        for (int clock = 1; clock <= clockCount; ++clock)
            all << QString::number(clocks ? clocks->clock(clock).position() : 0) +
                       (clocks && clocks->isEnabled(clock) ? "+" : "");
        return all;
    }
    // A script of selections (an entry's number), ticks ("t", or "t5" for five) and stop
    // commands ("stop", a click on the window).
    void play(const QString &script) {
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts))
            if (step == "stop")
                stop();
            else if (step.startsWith('t'))
                tick(step.size() > 1 ? step.mid(1).toInt() : 1);
            else
                select(step.toInt());
    }
    Form &help() {
        shown_.registry().showHelp();
        return shown_.registry().helpWindow();
    }
    // The window a row's tag names: the help window's start with "help ".
    QWidget &rowWindow() { return QTest::currentDataTag()[0] == 'h' ? help() : *main_; }
    static QString rowControl() { return QString(QTest::currentDataTag()).section(' ', -1); }
    QAccessibleInterface *readable(const QString &name) {
        return QAccessible::queryAccessibleInterface(shown_.control(name));
    }

private slots:
    void init() {
        shown_.init();
        main_ = &shown_.main();
        model_ = Model();
        standInsMade_ = 0;
        standIns_ = std::make_unique<WindowRegistry>([this] { return standIn("Form3"); },
                                                     [this] { return standIn("Form4"); });
    }
    void cleanup() {
        standIns_.reset();
        shown_.cleanup();
    }

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
        const auto *widget = rowWindow().findChild<QWidget *>(rowControl());
        QVERIFY2(widget, qPrintable(rowControl()));
        QVERIFY(widget->isVisible());
        QVERIFY(widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled());
        if (const auto *label = qobject_cast<const QLabel *>(widget)) {
            const QFontMetrics metrics(label->font());
            QVERIFY(metrics.boundingRect(label->rect(), Qt::TextWordWrap, label->text()).height() <=
                    label->height());
        }
        test::checkPlace(rowWindow(), rowControl(), container, pixels);
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
        const auto *frame = rowWindow().findChild<Frame *>(rowControl());
        QVERIFY2(frame, qPrintable(rowControl()));
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
        select(entry);
        stop();
        QCOMPARE(strings->text(), pattern);
        const QImage image = shot(*main_);
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
        const auto *button = rowWindow().findChild<PictureButton *>(rowControl());
        QVERIFY2(button, qPrintable(rowControl()));
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
        play("4 t");
        QAccessibleInterface *swatch = readable("preview");
        QCOMPARE(swatch->text(QAccessible::Description), "Level m");
        tick();
        QCOMPARE(swatch->text(QAccessible::Description), "Level a");
        QAccessibleInterface *box = readable("stylerun");
        QCOMPARE(box->textInterface()->text(0, box->textInterface()->characterCount()), "2/12");
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
        test::checkWindow(help(), "Form3", "Help and About", {256, 342});
        // The grey line runs along the top from the left edge to the picture.
        const QImage image = shot(help());
        QCOMPARE(image.pixelColor(0, 8), rgb(0x808080));
        QCOMPARE(image.pixelColor(223, 8), rgb(0x808080));
        QCOMPARE(image.pixelColor(100, 7), rgb(0x1D1D1D));
    }

    // Three sentences of credit, with contact details that belong to nobody real.
    void aboutGivesCredit() {
        const auto *label = help().findChild<QLabel *>("Label4");
        QVERIFY(label);
        const QString credits = label->text();
        QCOMPARE(credits.count(". ") + 1, 3);
        QVERIFY(credits.contains("the Lumatic authors"));
        QVERIFY(credits.contains("@example.org"));
    }

    void helpPictureClosesItAndNothingElseDoes() {
        QPointer<Form> window = &help();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(3, 3));
        for (const char *name : {"Frame1", "Frame2", "Label1", "Label2", "Label4", "Image1"}) {
            auto *widget = window->findChild<QWidget *>(name);
            QVERIFY2(widget && window->isVisible(), name);
            QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(3, 3));
        }
        QVERIFY(!window->isVisible());
        QTRY_VERIFY(window.isNull());
    }

    // A click through the window system shows the label's entry and runs its clock alone.
    void labelsSelectTheirEntries_data() {
        QTest::addColumn<int>("label");
        QTest::addColumn<int>("entry");
        const std::pair<int, int> rows[] = {{1, 1},   {2, 2},   {5, 5},   {10, 10}, {20, 11},
                                            {18, 13}, {17, 14}, {15, 16}, {14, 17}, {11, 20}};
        for (const auto &[label, entry] : rows)
            QTest::addRow("Label%d is entry %d", label, entry) << label << entry;
    }
    void labelsSelectTheirEntries() {
        QFETCH(int, label);
        QFETCH(int, entry);
        QTest::mouseClick(shown_.control(QString("Label%1").arg(label)), Qt::LeftButton);
        model_.select(entry);
        QCOMPARE(shownTexts(), model_.seen());
    }

    // What the box and the swatch show after a script and, where a row gives one, a write of
    // the box; the style label names the entry selected last, running or not. The swatch's letter,
    // or "-" for its first grey: selection writes texts and switches clocks, the box and the swatch
    // wait for the tick. Equal texts of clocks of equal length follow the running clock, also when
    // its first text equals the one the old clock left. A write colours the swatch only with a
    // position of the running clock.
    void scriptsShowTheRunningClocksPosition_data() {
        const ScriptRow rows[] = {
            {"selection waits for the tick", "1", nullptr, test::initialBox, "-"},
            {"first tick", "1 t", nullptr, "1/23", "m"},
            {"another selection waits too", "1 t 2", nullptr, "1/23", "m"},
            {"first run", "1 t23", nullptr, "23/23", "o"},
            {"wrap", "1 t24", nullptr, "1/23", "m"},
            {"resume mid-way, other clocks ran", "1 t7 2 t9 18 t3 1 t", nullptr, "8/23", "m"},
            {"stopped mid-way stays", "1 t7 stop t5", nullptr, "7/23", "m"},
            {"resume mid-way after a stop", "1 t7 stop t5 1 t", nullptr, "8/23", "m"},
            {"resume at the last position", "1 t23 2 t9 18 t3 1 t", nullptr, "1/23", "m"},
            {"selecting the running entry waits for the tick", "5 t3 5", nullptr, "3/33", "l"},
            {"selecting the running entry keeps the count", "5 t3 5 t", nullptr, "4/33", "m"},
            {"equal length, own letter", "19 t4 18 t5", nullptr, "5/24", "z"},
            {"equal text, running clock's letter", "19 t4 18 t5 19 t", nullptr, "5/24", "a"},
            {"write: a position of the running clock", "4 t2 1", "3/23", "3/23", "n"},
            {"write: leading blank", "4 t2 1", " 3/23", " 3/23", "a"},
            {"write: leading zero", "4 t2 1", "03/23", "03/23", "a"},
            {"write: another clock's length", "4 t2 1", "3/24", "3/24", "a"},
            {"write: past the end", "4 t2 1", "24/23", "24/23", "a"},
            {"write: no clock ran yet", "", "1/23", "1/23", "-"},
            {"write: no clock runs", "9 t9 stop", "1/16", "1/16", "z"}};
        test::addRows(rows);
    }
    void scriptsShowTheRunningClocksPosition() {
        QFETCH(ScriptRow, row);
        play(row.script);
        if (row.write)
            box().write(row.write);
        QCOMPARE(box().text(), row.box);
        QCOMPARE(swatch(), *row.swatch == '-' ? 0x808080u : grey(*row.swatch));
        QCOMPARE(text("style"), model_.style);
    }

    void everyEntryPlaysItsOwnPattern_data() {
        QTest::addColumn<int>("entry");
        for (int entry = 1; entry <= styleCount; ++entry)
            QTest::addRow("entry %d", entry) << entry;
    }
    void everyEntryPlaysItsOwnPattern() {
        QFETCH(int, entry);
        select(entry);
        for (std::size_t k = 0; k < styleEntry(entry).pattern.size(); ++k) {
            tick();
            QCOMPARE(shownTexts(), model_.seen());
        }
    }

    // A random walk of selections, stop commands and ticks against the model. The seed can be
    // changed with LUMATIC_MODEL_SEED to explore other walks.
    void randomWalkAgreesWithTheModel() {
        const quint32 seed = qEnvironmentVariable("LUMATIC_MODEL_SEED", "20261208").toUInt();
        QRandomGenerator random(seed);
        for (int step = 0; step < 5000; ++step) {
            const int action = random.bounded(10);
            if (action < 2)
                select(random.bounded(1, styleCount + 1));
            else if (action < 3)
                stop();
            else
                tick();
            const QString where = QString("seed %1, step %2").arg(seed).arg(step);
            const QStringList seen = shownTexts(), expected = model_.seen();
            QVERIFY2(seen == expected,
                     qPrintable(where + ": " + seen.join('|') + " against " + expected.join('|')));
        }
    }

    // After the entry played (none for 0); a stop before any selection makes the clocks, hidden.
    void eachCommandStopsThePreviewAndKeepsWhatItShows_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("entry");
        const char *names[] = {"click on the window", "help", "news"};
        for (int entry : {6, 0})
            for (int command = 0; command < 3; ++command)
                QTest::addRow("%s%s", names[command], entry ? "" : " before any selection")
                    << command << entry;
    }
    void eachCommandStopsThePreviewAndKeepsWhatItShows() {
        QFETCH(int, command);
        QFETCH(int, entry);
        if (entry)
            play(QString::number(entry) + " t5");
        const std::array<void (MainWindow::*)(), 3> commands = {
            &MainWindow::Form_Click, &MainWindow::Image1_Click, &MainWindow::Image2_Click};
        (main_->*commands[command])();
        QVERIFY(shown_.registry().existingClocks());
        QCOMPARE(shown_.runningClock(), std::nullopt);
        // A stop leaves everything else as it was.
        model_.running = 0;
        QCOMPARE(shownTexts(), model_.seen());
    }

    void helpAndNewsOpenOnceHoweverOftenClicked() {
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(shown_.control("Image1"), Qt::LeftButton);
            QTest::mouseClick(shown_.control("Image2"), Qt::LeftButton);
        }
        QCOMPARE(shownWindows(), QStringList({"Help and About", "Kingpin Lumatic", "Message"}));
        // The main window stays usable beside them.
        select(3);
        QCOMPARE(shown_.runningClock(), 3);
    }

    // A click on the window's surface stops the preview; one that lands on a control does not
    // fall through to the window behind it. The help button takes a click anywhere on its
    // picture, also where the version label lies over its left edge; elsewhere the label takes
    // the click and does nothing with it. Points are in the window, or near the control's
    // lower right corner.
    void clicksReachWhatIsDrawnThere_data() {
        QTest::addColumn<QPoint>("where"); // none for a control, named by the row
        QTest::addColumn<bool>("stops");
        QTest::addColumn<bool>("help");
        for (const char *name : {"Frame1", "Frame2", "Frame3", "Label22", "style", "strings",
                                 "uses", "stylerun", "preview"})
            QTest::newRow(name) << QPoint() << false << false;
        QTest::newRow("margin") << QPoint(3, 200) << true << false;
        QTest::newRow("between the lists") << QPoint(148, 100) << true << false;
        QTest::newRow("title band") << QPoint(240, 23) << true << false;
        QTest::newRow("below the information") << QPoint(150, 374) << true << false;
        QTest::newRow("help button's left edge") << QPoint(226, 12) << true << true;
        QTest::newRow("help button's middle") << QPoint(236, 12) << true << true;
        QTest::newRow("version label") << QPoint(60, 14) << false << false;
        QTest::newRow("version label's right end") << QPoint(222, 12) << false << false;
    }
    void clicksReachWhatIsDrawnThere() {
        QFETCH(QPoint, where);
        QFETCH(bool, stops);
        QFETCH(bool, help);
        main_->Label_Click(2);
        if (where.isNull()) {
            const QWidget *target = shown_.control(QTest::currentDataTag());
            where = target->mapTo(main_, QPoint(target->width() - 3, target->height() - 3));
        } else if (!help && stops) {
            QCOMPARE(main_->childAt(where), nullptr);
        }
        // Through the window, as the pointer's click arrives.
        QTest::mouseClick(main_->windowHandle(), Qt::LeftButton, {}, where);
        QCOMPARE(shown_.registry().existingHelpWindow() != nullptr, help);
        QCOMPARE(shown_.runningClock(), stops ? std::nullopt : std::optional<int>(2));
    }

    // Closing the main window any way at all takes every other window with it, and ends the
    // application once.
    void closeEverythingEndsTheApplication_data() {
        QTest::addColumn<bool>("othersOpen");
        QTest::addColumn<bool>("titleBar");
        for (bool titleBar : {false, true})
            for (bool othersOpen : {false, true})
                QTest::addRow("%s%s", titleBar ? "title bar, " : "",
                              othersOpen ? "with help and news" : "alone")
                    << othersOpen << titleBar;
    }
    void closeEverythingEndsTheApplication() {
        QFETCH(bool, othersOpen);
        QFETCH(bool, titleBar);
        QSignalSpy ended(&shown_.registry(), &WindowRegistry::ended);
        play("9 t5");
        if (othersOpen) {
            main_->Image1_Click();
            main_->Image2_Click();
            main_->Label_Click(4);
        }
        const auto closeEverything = [&] {
            if (titleBar)
                main_->close();
            else
                QTest::mouseClick(control(*main_, "Image3"), Qt::LeftButton);
        };
        QCOMPARE(shown_.runToTheEnd(closeEverything), 0);
        QVERIFY(!shown_.registry().anyOpen());
        QCOMPARE(shownWindows(), QStringList());
        QCOMPARE(ended.count(), 1);
    }

    // The main window, the help window and the news window's question all start without the
    // web engine, although the program would find it.
    void theWebEngineWaitsForOkay() {
        QVERIFY(QFile::exists(browserModuleCandidates().first()));
        main_->Image1_Click();
        main_->Image2_Click();
        QCoreApplication::processEvents();
        QVERIFY(!test::webEngineMapped());
    }

    void nothingExistsBeforeFirstUse() {
        QVERIFY(!standIns_->anyOpen());
        QCOMPARE(standIns_->existingClocks(), nullptr);
        QCOMPARE(standInsMade_, 0);
    }

    void firstUseMakesTheWindowOnce() {
        MainWindow &main = standIns_->mainWindow();
        QCOMPARE(&standIns_->mainWindow(), &main);
        QVERIFY(!main.isVisible());
        // The level colours are loaded before any use: the first tick already colours.
        main.Label_Click(4);
        standIns_->clocks().tick(4);
        QCOMPARE(control<Swatch>(main, "preview")->backColor(), 0x787878u);
        standIns_->showHelp();
        standIns_->showHelp();
        QCOMPARE(standInsMade_, 1);
        QCOMPARE(shownWindows(), QStringList({"Form3", "Kingpin Lumatic"}));
        QVERIFY(standIns_->existingHelpWindow()->isVisible());
    }

    // The clocks come with the first selection, and no window shows with them.
    void clockWindowIsMadeHiddenByItsFirstUse() {
        standIns_->mainWindow().showNonModal();
        const QStringList shown = shownWindows();
        QCOMPARE(standIns_->existingClocks(), nullptr);
        standIns_->mainWindow().Label_Click(1);
        PreviewClocks *clocks = standIns_->existingClocks();
        QVERIFY(clocks);
        QCOMPARE(clocks->objectName(), "Form2");
        QCoreApplication::processEvents();
        QCOMPARE(shownWindows(), shown);
    }

    void closeThenUseGivesAFreshWindow() {
        standIns_->mainWindow().Label_Click(1);
        PreviewClocks *first = standIns_->existingClocks();
        first->tick(1);
        first->tick(1);
        QCOMPARE(first->clock(1).position(), 2);
        QPointer<PreviewClocks> gone = first;
        standIns_->closeAll();
        QVERIFY(gone.isNull());
        standIns_->mainWindow().Label_Click(1);
        QCOMPARE(standIns_->clocks().clock(1).position(), 0);

        standIns_->showNews();
        QPointer<Form> news = standIns_->existingNewsWindow();
        news->close();
        QCOMPARE(standIns_->existingNewsWindow(), nullptr);
        QTRY_VERIFY(news.isNull()); // destroyed, not just hidden
        standIns_->showNews();
        QCOMPARE(standInsMade_, 2);
    }

    void closingWhatDoesNotExistIsHarmless() {
        QSignalSpy ended(standIns_.get(), &WindowRegistry::ended);
        standIns_->closeAll();
        standIns_->closeAll();
        QVERIFY(!standIns_->anyOpen());
        QCOMPARE(ended.count(), 0);
    }

    void theApplicationEndsWithItsLastWindow() {
        QSignalSpy ended(standIns_.get(), &WindowRegistry::ended);
        standIns_->mainWindow().showNonModal();
        standIns_->showHelp();
        standIns_->existingHelpWindow()->close();
        QCOMPARE(ended.count(), 0);
        standIns_->mainWindow().Label_Click(3);
        standIns_->showNews();
        standIns_->closeAll();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!standIns_->anyOpen());
    }
};

LUMATIC_TEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

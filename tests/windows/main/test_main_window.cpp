#include "lumatic_test.h"
#include "shown_main_window.h"
#include "windows/news/browser_loader.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QWindow>

using namespace lumatic;
using lumatic::test::control;
using lumatic::test::q;

namespace {

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

// The main window: what its selections show as the clocks tick (when the test ticks them), and
// its commands; the rules every window keeps, on a registry of stand-in windows.
class TestMainWindow : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;
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
        shown_.main().Label_Click(MainWindow::entryOfLabel(entry));
        model_.select(entry);
    }
    void stop() {
        shown_.main().Form_Click();
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
    // What the main window shows, and each clock's count (0 before there are clocks), marked "+"
    // while the clock runs.
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

private slots:
    void init() {
        shown_.init();
        model_ = Model();
        standInsMade_ = 0;
        standIns_ = std::make_unique<WindowRegistry>([this] { return standIn("Form3"); },
                                                     [this] { return standIn("Form4"); });
    }
    void cleanup() {
        standIns_.reset();
        shown_.cleanup();
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
        (shown_.main().*commands[command])();
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
        MainWindow &main = shown_.main();
        main.Label_Click(2);
        if (where.isNull()) {
            const QWidget *target = shown_.control(QTest::currentDataTag());
            where = target->mapTo(&main, QPoint(target->width() - 3, target->height() - 3));
        } else if (!help && stops) {
            QCOMPARE(main.childAt(where), nullptr);
        }
        // Through the window, as the pointer's click arrives.
        QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, where);
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
        MainWindow &main = shown_.main();
        QSignalSpy ended(&shown_.registry(), &WindowRegistry::ended);
        play("9 t5");
        if (othersOpen) {
            main.Image1_Click();
            main.Image2_Click();
            main.Label_Click(4);
        }
        const auto closeEverything = [&] {
            if (titleBar)
                main.close();
            else
                QTest::mouseClick(control(main, "Image3"), Qt::LeftButton);
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
        shown_.main().Image1_Click();
        shown_.main().Image2_Click();
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

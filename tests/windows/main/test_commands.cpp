#include "lumatic_test.h"
#include "shown_main_window.h"
#include "windows/news/browser_loader.h"

#include <QSignalSpy>
#include <QWindow>

using namespace lumatic;
using lumatic::test::control;

namespace {

// A window of no particular content, for the rules every window keeps.
class StandIn : public Form {
public:
    explicit StandIn(const char *name) : Form(name, QString::fromLatin1(name), {100, 50}, 0) {
        ++made;
    }
    static inline int made = 0;
};

int visibleTopLevels() {
    const auto windows = QGuiApplication::topLevelWindows();
    return int(std::ranges::count_if(windows, &QWindow::isVisible));
}

int topLevelsNamed(const QString &name) {
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == name && widget->isVisible();
    return count;
}

void playSomething(WindowRegistry &windows, int entry) {
    windows.mainWindow().Label_Click(entry);
    for (int i = 0; i < 5; ++i)
        windows.clocks().tick(*windows.clocks().runningClock());
}

} // namespace

// The application's windows and the main window's commands. The rules every window keeps are
// tested on a registry of its own, whose help and news windows are stand-ins.
class TestCommands : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;
    std::unique_ptr<WindowRegistry> standIns_;

private slots:
    void init() {
        shown_.init();
        StandIn::made = 0;
        standIns_ = std::make_unique<WindowRegistry>([] { return new StandIn("Form3"); },
                                                     [] { return new StandIn("Form4"); });
    }
    void cleanup() {
        standIns_.reset();
        shown_.cleanup();
    }

    // After the entry played (none for 0); a stop before any selection makes the clocks, hidden.
    void eachCommandStopsThePreviewAndKeepsWhatItShows_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("entry");
        QTest::newRow("click on the window") << 0 << 6;
        QTest::newRow("help") << 1 << 6;
        QTest::newRow("news") << 2 << 6;
        QTest::newRow("click before any selection") << 0 << 0;
        QTest::newRow("help before any selection") << 1 << 0;
        QTest::newRow("news before any selection") << 2 << 0;
    }
    void eachCommandStopsThePreviewAndKeepsWhatItShows() {
        QFETCH(int, command);
        QFETCH(int, entry);
        MainWindow &main = shown_.main();
        if (entry)
            playSomething(shown_.registry(), entry);
        const QStringList before = test::shownTexts(shown_.registry());
        const std::array<void (MainWindow::*)(), 3> commands = {
            &MainWindow::Form_Click, &MainWindow::Image1_Click, &MainWindow::Image2_Click};
        (main.*commands[command])();
        QVERIFY(shown_.registry().existingClocks());
        QCOMPARE(shown_.runningClock(), std::nullopt);
        // Everything a stop must leave as it was.
        QCOMPARE(test::shownTexts(shown_.registry()), before);
    }

    void helpAndNewsOpenOnceHoweverOftenClicked() {
        MainWindow &main = shown_.main();
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(control(main, "Image1"), Qt::LeftButton);
            QTest::mouseClick(control(main, "Image2"), Qt::LeftButton);
        }
        QCOMPARE(topLevelsNamed("Form3"), 1);
        QCOMPARE(topLevelsNamed("Form4"), 1);
        // The main window stays usable beside them.
        main.Label_Click(3);
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
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        playSomething(*windows, 9);
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
        QVERIFY(!windows->anyOpen());
        QCOMPARE(topLevelsNamed("Form3") + topLevelsNamed("Form4") + topLevelsNamed("Form1"), 0);
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
        QCOMPARE(StandIn::made, 0);
    }

    void firstUseMakesTheWindowOnce() {
        const int shown = visibleTopLevels();
        MainWindow &main = standIns_->mainWindow();
        QCOMPARE(&standIns_->mainWindow(), &main);
        QVERIFY(!main.isVisible());
        // The level colours are loaded before any use: the first tick already colours.
        main.Label_Click(4);
        standIns_->clocks().tick(4);
        QCOMPARE(control<Swatch>(main, "preview")->backColor(), 0x787878u);
        standIns_->showHelp();
        standIns_->showHelp();
        QCOMPARE(StandIn::made, 1);
        QCOMPARE(visibleTopLevels(), shown + 1);
        QVERIFY(standIns_->existingHelpWindow()->isVisible());
    }

    // The clocks come with the first selection, and no window shows with them.
    void clockWindowIsMadeHiddenByItsFirstUse() {
        standIns_->mainWindow().showNonModal();
        const int shown = visibleTopLevels();
        QCOMPARE(standIns_->existingClocks(), nullptr);
        standIns_->mainWindow().Label_Click(1);
        PreviewClocks *clocks = standIns_->existingClocks();
        QVERIFY(clocks);
        QCOMPARE(clocks->objectName(), "Form2");
        QCoreApplication::processEvents();
        QCOMPARE(visibleTopLevels(), shown);
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
        QCOMPARE(StandIn::made, 2);
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

    // Closing the main window any way at all takes every other window with it.
    void closingTheMainWindowClosesEverything() {
        QSignalSpy ended(standIns_.get(), &WindowRegistry::ended);
        standIns_->mainWindow().showNonModal();
        standIns_->mainWindow().Label_Click(5);
        standIns_->showHelp();
        standIns_->showNews();
        standIns_->existingMainWindow()->close();
        QVERIFY(!standIns_->anyOpen());
        QCOMPARE(ended.count(), 1);
    }
};

LUMATIC_TEST_MAIN(TestCommands)
#include "test_commands.moc"

#include "lumatic_test.h"
#include "shown_main_window.h"
#include "toolkit/controls.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace lumatic;
using lumatic::test::control;

namespace {

// Everything a stop must leave as it was.
struct Snapshot {
    QString style, strings, uses, box;
    std::uint32_t swatch;
    std::array<int, clockCount> counts;

    explicit Snapshot(WindowRegistry &windows) {
        const MainWindow &main = windows.mainWindow();
        style = control<QLabel>(main, "style")->text();
        strings = control<QLabel>(main, "strings")->text();
        uses = control<QLabel>(main, "uses")->text();
        box = control<PositionBox>(main, "stylerun")->text();
        swatch = control<Swatch>(main, "preview")->backColor();
        for (int clock = 1; clock <= clockCount; ++clock)
            counts[clock - 1] = windows.clocks().clock(clock).position();
    }
    bool operator==(const Snapshot &) const = default;
};

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

class TestCommands : public QObject {
    Q_OBJECT

    test::ShownMainWindow shown_;

private slots:
    void init() { shown_.init(); }
    void cleanup() { shown_.cleanup(); }

    void eachCommandStopsThePreviewAndKeepsWhatItShows_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("click on the window") << 0;
        QTest::newRow("help") << 1;
        QTest::newRow("news") << 2;
    }
    void eachCommandStopsThePreviewAndKeepsWhatItShows() {
        QFETCH(int, command);
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        playSomething(*windows, 6);
        const Snapshot before(*windows);
        const std::array<void (MainWindow::*)(), 3> commands = {
            &MainWindow::Form_Click, &MainWindow::Image1_Click, &MainWindow::Image2_Click};
        (main.*commands[command])();
        QCOMPARE(windows->clocks().runningClock(), std::nullopt);
        QVERIFY(Snapshot(*windows) == before);
    }

    void helpAndNewsOpenOnceHoweverOftenClicked() {
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(control(main, "Image1"), Qt::LeftButton);
            QTest::mouseClick(control(main, "Image2"), Qt::LeftButton);
        }
        QCOMPARE(topLevelsNamed("Form3"), 1);
        QCOMPARE(topLevelsNamed("Form4"), 1);
        // The main window stays usable beside them.
        main.Label_Click(3);
        QCOMPARE(windows->clocks().runningClock(), 3);
    }

    // A click that lands on a control does not fall through to the window behind it.
    void clicksOnControlsDoNotStopThePreview_data() {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Frame1", "Frame2", "Frame3", "Label22", "style", "strings",
                                 "uses", "stylerun", "preview"})
            QTest::newRow(name) << name;
    }
    void clicksOnControlsDoNotStopThePreview() {
        QFETCH(QString, name);
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        main.Label_Click(2);
        QWidget *target = control(main, name);
        QTest::mouseClick(target, Qt::LeftButton, {},
                          QPoint(target->width() - 3, target->height() - 3));
        QCOMPARE(windows->clocks().runningClock(), 2);
    }

    void clicksOnTheSurfaceStopThePreview_data() {
        QTest::addColumn<QPoint>("where");
        QTest::newRow("margin") << QPoint(3, 200);
        QTest::newRow("between the lists") << QPoint(148, 100);
        QTest::newRow("title band") << QPoint(240, 23);
        QTest::newRow("below the information") << QPoint(150, 374);
    }
    void clicksOnTheSurfaceStopThePreview() {
        QFETCH(QPoint, where);
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        main.Label_Click(2);
        QCOMPARE(main.childAt(where), nullptr);
        QTest::mouseClick(&main, Qt::LeftButton, {}, where);
        QCOMPARE(windows->clocks().runningClock(), std::nullopt);
    }

    // The help button takes a click anywhere on its picture, also where the version label lies
    // over its left edge; elsewhere the label takes the click and does nothing with it.
    void clicksOnTheTopStripReachWhatIsDrawnThere_data() {
        QTest::addColumn<QPoint>("where");
        QTest::addColumn<bool>("help");
        QTest::newRow("help button's left edge") << QPoint(226, 12) << true;
        QTest::newRow("help button's middle") << QPoint(236, 12) << true;
        QTest::newRow("version label") << QPoint(60, 14) << false;
        QTest::newRow("version label's right end") << QPoint(222, 12) << false;
    }
    void clicksOnTheTopStripReachWhatIsDrawnThere() {
        QFETCH(QPoint, where);
        QFETCH(bool, help);
        WindowRegistry *windows = &shown_.registry();
        MainWindow &main = shown_.main();
        main.Label_Click(2);
        // Through the window, as the pointer's click arrives.
        QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, where);
        QCOMPARE(windows->existingHelpWindow() != nullptr, help);
        QCOMPARE(windows->clocks().runningClock(), help ? std::nullopt : std::optional<int>(2));
    }

    void aStopBeforeAnySelectionMakesTheClocksHidden() {
        WindowRegistry *windows = &shown_.registry();
        windows->mainWindow().Form_Click();
        QVERIFY(windows->existingClocks());
        QCOMPARE(windows->clocks().runningClock(), std::nullopt);
        QCOMPARE(control<PositionBox>(windows->mainWindow(), "stylerun")->text(),
                 "Number of strings and which is being previewed");
    }

    void closeEverythingEndsTheApplication_data() {
        QTest::addColumn<bool>("othersOpen");
        QTest::addColumn<bool>("titleBar");
        QTest::newRow("alone") << false << false;
        QTest::newRow("with help and news") << true << false;
        QTest::newRow("title bar, alone") << false << true;
        QTest::newRow("title bar, with help and news") << true << true;
    }
    void closeEverythingEndsTheApplication() {
        QFETCH(bool, othersOpen);
        QFETCH(bool, titleBar);
        WindowRegistry *windows = &shown_.registry();
        QObject::connect(windows, &WindowRegistry::ended, qApp, &QCoreApplication::quit);
        MainWindow &main = shown_.main();
        playSomething(*windows, 9);
        if (othersOpen) {
            main.Image1_Click();
            main.Image2_Click();
            main.Label_Click(4);
        }
        QTimer::singleShot(0, &main, [&] {
            if (titleBar)
                main.close();
            else
                QTest::mouseClick(control(main, "Image3"), Qt::LeftButton);
        });
        QTimer watchdog;
        watchdog.callOnTimeout([] { QCoreApplication::exit(99); });
        watchdog.start(10000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!windows->anyOpen());
        QCOMPARE(topLevelsNamed("Form3") + topLevelsNamed("Form4") + topLevelsNamed("Form1"), 0);
    }

    // The main window, the help window and the news window's question all start without the
    // web engine.
    void theWebEngineWaitsForOkay() {
        shown_.main().Image1_Click();
        shown_.main().Image2_Click();
        QCoreApplication::processEvents();
        QVERIFY(!test::webEngineMapped());
    }
};

LUMATIC_TEST_MAIN(TestCommands)
#include "test_commands.moc"

#include "app/toolkit/controls.h"
#include "app/windows.h"
#include "lumatic_test.h"
#include "windows/help/help_window.h"
#include "windows/news/news_window.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace lumatic;

namespace {

std::unique_ptr<Windows> makeWindows() {
    return std::make_unique<Windows>([] { return new HelpWindow; },
                                     [] { return new NewsWindow(QUrl("http://127.0.0.1:9/")); });
}

// Everything a stop must leave as it was.
struct Snapshot {
    QString style, strings, uses, box;
    std::uint32_t swatch;
    std::array<int, clockCount> counts;

    explicit Snapshot(Windows &windows) {
        MainWindow &main = windows.Form1();
        style = main.style->text();
        strings = main.strings->text();
        uses = main.uses->text();
        box = main.stylerun->text();
        swatch = main.preview->backColor();
        for (int clock = 1; clock <= clockCount; ++clock)
            counts[clock - 1] = windows.Form2().clock(clock).position();
    }
    bool operator==(const Snapshot &) const = default;
};

int topLevelsNamed(const QString &name) {
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->objectName() == name && widget->isVisible();
    return count;
}

bool webEngineMapped() {
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("WebEngine");
}

void playSomething(Windows &windows, int entry) {
    windows.Form1().Label_Click(entry);
    for (int i = 0; i < 5; ++i)
        windows.Form2().tick(*windows.Form2().runningClock());
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void eachCommandStopsThePreviewAndKeepsWhatItShows_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("click on the window") << 0;
        QTest::newRow("help") << 1;
        QTest::newRow("news") << 2;
    }
    void eachCommandStopsThePreviewAndKeepsWhatItShows() {
        QFETCH(int, command);
        auto windows = makeWindows();
        MainWindow &main = windows->Form1();
        playSomething(*windows, 6);
        const Snapshot before(*windows);
        const std::array<void (MainWindow::*)(), 3> commands = {
            &MainWindow::Form_Click, &MainWindow::Image1_Click, &MainWindow::Image2_Click};
        (main.*commands[command])();
        QCOMPARE(windows->Form2().runningClock(), std::nullopt);
        QVERIFY(Snapshot(*windows) == before);
    }

    void helpAndNewsOpenOnceHoweverOftenClicked() {
        auto windows = makeWindows();
        MainWindow &main = windows->Form1();
        main.showNonModal();
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(main.Image1, Qt::LeftButton);
            QTest::mouseClick(main.Image2, Qt::LeftButton);
        }
        QCOMPARE(topLevelsNamed("Form3"), 1);
        QCOMPARE(topLevelsNamed("Form4"), 1);
        // The main window stays usable beside them.
        main.Label_Click(3);
        QCOMPARE(windows->Form2().runningClock(), 3);
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
        auto windows = makeWindows();
        MainWindow &main = windows->Form1();
        main.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.Label_Click(2);
        QWidget *target = main.findChild<QWidget *>(name);
        QTest::mouseClick(target, Qt::LeftButton, {},
                          QPoint(target->width() - 3, target->height() - 3));
        QCOMPARE(windows->Form2().runningClock(), 2);
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
        auto windows = makeWindows();
        MainWindow &main = windows->Form1();
        main.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.Label_Click(2);
        QCOMPARE(main.childAt(where), nullptr);
        QTest::mouseClick(&main, Qt::LeftButton, {}, where);
        QCOMPARE(windows->Form2().runningClock(), std::nullopt);
    }

    void aStopBeforeAnySelectionMakesTheClocksHidden() {
        auto windows = makeWindows();
        windows->Form1().Form_Click();
        QVERIFY(windows->existingForm2());
        QCOMPARE(windows->Form2().runningClock(), std::nullopt);
        QCOMPARE(windows->Form1().stylerun->text(),
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
        auto windows = makeWindows();
        QObject::connect(windows.get(), &Windows::ended, qApp, &QCoreApplication::quit);
        MainWindow &main = windows->Form1();
        main.showNonModal();
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
                QTest::mouseClick(main.Image3, Qt::LeftButton);
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
        auto windows = makeWindows();
        windows->Form1().showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&windows->Form1()));
        windows->Form1().Image1_Click();
        windows->Form1().Image2_Click();
        QCoreApplication::processEvents();
        QVERIFY(!webEngineMapped());
    }
};

LUMATIC_TEST_MAIN(TestCommands)
#include "test_commands.moc"

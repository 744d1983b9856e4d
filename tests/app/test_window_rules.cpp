#include "app/window_registry.h"
#include "lumatic_test.h"
#include "toolkit/controls.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
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
    int count = 0;
    for (const QWindow *window : QGuiApplication::topLevelWindows())
        count += window->isVisible();
    return count;
}

} // namespace

class TestWindowRules : public QObject {
    Q_OBJECT

    static WindowRegistry *make() {
        return new WindowRegistry([] { return new StandIn("Form3"); },
                                  [] { return new StandIn("Form4"); });
    }

private slots:
    void init() { StandIn::made = 0; }

    void nothingExistsBeforeFirstUse() {
        std::unique_ptr<WindowRegistry> windows(make());
        QVERIFY(!windows->anyOpen());
        QCOMPARE(windows->existingClocks(), nullptr);
        QCOMPARE(StandIn::made, 0);
    }

    void firstUseMakesTheWindowOnce() {
        std::unique_ptr<WindowRegistry> windows(make());
        MainWindow &main = windows->mainWindow();
        QCOMPARE(&windows->mainWindow(), &main);
        QVERIFY(!main.isVisible());
        // The level colours are loaded before any use: the first tick already colours.
        main.Label_Click(4);
        windows->clocks().tick(4);
        QCOMPARE(control<Swatch>(main, "preview")->backColor(), 0x787878u);
        windows->showHelp();
        windows->showHelp();
        QCOMPARE(StandIn::made, 1);
        QCOMPARE(visibleTopLevels(), 1);
        QVERIFY(windows->existingHelpWindow()->isVisible());
    }

    // The clocks come with the first selection, and no window shows with them.
    void clockWindowIsMadeHiddenByItsFirstUse() {
        std::unique_ptr<WindowRegistry> windows(make());
        windows->mainWindow().showNonModal();
        const int shown = visibleTopLevels();
        QCOMPARE(windows->existingClocks(), nullptr);
        windows->mainWindow().Label_Click(1);
        PreviewClocks *clocks = windows->existingClocks();
        QVERIFY(clocks);
        QCOMPARE(clocks->objectName(), "Form2");
        QCoreApplication::processEvents();
        QCOMPARE(visibleTopLevels(), shown);
    }

    void closeThenUseGivesAFreshWindow() {
        std::unique_ptr<WindowRegistry> windows(make());
        windows->mainWindow().Label_Click(1);
        PreviewClocks *first = windows->existingClocks();
        first->tick(1);
        first->tick(1);
        QCOMPARE(first->clock(1).position(), 2);
        QPointer<PreviewClocks> gone = first;
        windows->closeAll();
        QVERIFY(gone.isNull());
        windows->mainWindow().Label_Click(1);
        QCOMPARE(windows->clocks().clock(1).position(), 0);

        windows->showNews();
        QPointer<Form> news = windows->existingNewsWindow();
        news->close();
        QCOMPARE(windows->existingNewsWindow(), nullptr);
        QTRY_VERIFY(news.isNull()); // destroyed, not just hidden
        windows->showNews();
        QCOMPARE(StandIn::made, 2);
    }

    void closingWhatDoesNotExistIsHarmless() {
        std::unique_ptr<WindowRegistry> windows(make());
        QSignalSpy ended(windows.get(), &WindowRegistry::ended);
        windows->closeAll();
        windows->closeAll();
        QVERIFY(!windows->anyOpen());
        QCOMPARE(ended.count(), 0);
    }

    void theApplicationEndsWithItsLastWindow() {
        std::unique_ptr<WindowRegistry> windows(make());
        QSignalSpy ended(windows.get(), &WindowRegistry::ended);
        windows->mainWindow().showNonModal();
        windows->showHelp();
        windows->existingHelpWindow()->close();
        QCOMPARE(ended.count(), 0);
        windows->mainWindow().Label_Click(3);
        windows->showNews();
        windows->closeAll();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!windows->anyOpen());
    }

    // Closing the main window any way at all takes every other window with it.
    void closingTheMainWindowClosesEverything() {
        std::unique_ptr<WindowRegistry> windows(make());
        QSignalSpy ended(windows.get(), &WindowRegistry::ended);
        windows->mainWindow().showNonModal();
        windows->mainWindow().Label_Click(5);
        windows->showHelp();
        windows->showNews();
        windows->existingMainWindow()->close();
        QVERIFY(!windows->anyOpen());
        QCOMPARE(ended.count(), 1);
    }
};

LUMATIC_TEST_MAIN(TestWindowRules)
#include "test_window_rules.moc"

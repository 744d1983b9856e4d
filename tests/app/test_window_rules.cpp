#include "app/window_registry.h"
#include "lumatic_test.h"
#include "toolkit/controls.h"

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

} // namespace

class TestWindowRules : public QObject {
    Q_OBJECT

    std::unique_ptr<WindowRegistry> windows_;

private slots:
    void init() {
        StandIn::made = 0;
        windows_ = std::make_unique<WindowRegistry>([] { return new StandIn("Form3"); },
                                                    [] { return new StandIn("Form4"); });
    }
    void cleanup() { windows_.reset(); }

    void nothingExistsBeforeFirstUse() {
        QVERIFY(!windows_->anyOpen());
        QCOMPARE(windows_->existingClocks(), nullptr);
        QCOMPARE(StandIn::made, 0);
    }

    void firstUseMakesTheWindowOnce() {
        MainWindow &main = windows_->mainWindow();
        QCOMPARE(&windows_->mainWindow(), &main);
        QVERIFY(!main.isVisible());
        // The level colours are loaded before any use: the first tick already colours.
        main.Label_Click(4);
        windows_->clocks().tick(4);
        QCOMPARE(control<Swatch>(main, "preview")->backColor(), 0x787878u);
        windows_->showHelp();
        windows_->showHelp();
        QCOMPARE(StandIn::made, 1);
        QCOMPARE(visibleTopLevels(), 1);
        QVERIFY(windows_->existingHelpWindow()->isVisible());
    }

    // The clocks come with the first selection, and no window shows with them.
    void clockWindowIsMadeHiddenByItsFirstUse() {
        windows_->mainWindow().showNonModal();
        const int shown = visibleTopLevels();
        QCOMPARE(windows_->existingClocks(), nullptr);
        windows_->mainWindow().Label_Click(1);
        PreviewClocks *clocks = windows_->existingClocks();
        QVERIFY(clocks);
        QCOMPARE(clocks->objectName(), "Form2");
        QCoreApplication::processEvents();
        QCOMPARE(visibleTopLevels(), shown);
    }

    void closeThenUseGivesAFreshWindow() {
        windows_->mainWindow().Label_Click(1);
        PreviewClocks *first = windows_->existingClocks();
        first->tick(1);
        first->tick(1);
        QCOMPARE(first->clock(1).position(), 2);
        QPointer<PreviewClocks> gone = first;
        windows_->closeAll();
        QVERIFY(gone.isNull());
        windows_->mainWindow().Label_Click(1);
        QCOMPARE(windows_->clocks().clock(1).position(), 0);

        windows_->showNews();
        QPointer<Form> news = windows_->existingNewsWindow();
        news->close();
        QCOMPARE(windows_->existingNewsWindow(), nullptr);
        QTRY_VERIFY(news.isNull()); // destroyed, not just hidden
        windows_->showNews();
        QCOMPARE(StandIn::made, 2);
    }

    void closingWhatDoesNotExistIsHarmless() {
        QSignalSpy ended(windows_.get(), &WindowRegistry::ended);
        windows_->closeAll();
        windows_->closeAll();
        QVERIFY(!windows_->anyOpen());
        QCOMPARE(ended.count(), 0);
    }

    void theApplicationEndsWithItsLastWindow() {
        QSignalSpy ended(windows_.get(), &WindowRegistry::ended);
        windows_->mainWindow().showNonModal();
        windows_->showHelp();
        windows_->existingHelpWindow()->close();
        QCOMPARE(ended.count(), 0);
        windows_->mainWindow().Label_Click(3);
        windows_->showNews();
        windows_->closeAll();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!windows_->anyOpen());
    }

    // Closing the main window any way at all takes every other window with it.
    void closingTheMainWindowClosesEverything() {
        QSignalSpy ended(windows_.get(), &WindowRegistry::ended);
        windows_->mainWindow().showNonModal();
        windows_->mainWindow().Label_Click(5);
        windows_->showHelp();
        windows_->showNews();
        windows_->existingMainWindow()->close();
        QVERIFY(!windows_->anyOpen());
        QCOMPARE(ended.count(), 1);
    }
};

LUMATIC_TEST_MAIN(TestWindowRules)
#include "test_window_rules.moc"

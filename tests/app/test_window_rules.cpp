#include "app/windows.h"
#include "lumatic_test.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

using namespace lumatic;

namespace {

// A window of no particular content, for the rules every window keeps.
class StandIn : public Form {
public:
    explicit StandIn(const char *name) : Form(name, QString::fromLatin1(name), {100, 50}, 0) {
        ++made;
    }
    static inline int made = 0;
};

} // namespace

class TestWindowRules : public QObject {
    Q_OBJECT

    static Windows *make() {
        return new Windows([] { return new StandIn("Form3"); },
                           [] { return new StandIn("Form4"); });
    }

private slots:
    void init() { StandIn::made = 0; }

    void nothingExistsBeforeFirstUse() {
        std::unique_ptr<Windows> windows(make());
        QVERIFY(!windows->anyOpen());
        QCOMPARE(windows->existingForm2(), nullptr);
        QCOMPARE(StandIn::made, 0);
    }

    void firstUseMakesTheWindowOnce() {
        std::unique_ptr<Windows> windows(make());
        MainWindow &main = windows->Form1();
        QCOMPARE(&windows->Form1(), &main);
        QVERIFY(main.levelColours().filled()); // loaded before any use
        QVERIFY(!main.isVisible());
        windows->showForm3();
        windows->showForm3();
        QCOMPARE(StandIn::made, 1);
        int helpWindows = 0;
        for (const QWidget *w : QApplication::topLevelWidgets())
            helpWindows += w->objectName() == "Form3" && w->isVisible();
        QCOMPARE(helpWindows, 1);
        QVERIFY(windows->existingForm3()->isVisible());
    }

    void clockWindowIsMadeHiddenByItsFirstUse() {
        std::unique_ptr<Windows> windows(make());
        windows->Form1().Label_Click(1);
        ClockWindow *clocks = windows->existingForm2();
        QVERIFY(clocks);
        QCOMPARE(clocks->objectName(), "Form2");
    }

    void closeThenUseGivesAFreshWindow() {
        std::unique_ptr<Windows> windows(make());
        windows->Form1().Label_Click(1);
        ClockWindow *first = windows->existingForm2();
        first->tick(1);
        first->tick(1);
        QCOMPARE(first->clock(1).position(), 2);
        QPointer<ClockWindow> gone = first;
        windows->closeAll();
        QVERIFY(gone.isNull());
        windows->Form1().Label_Click(1);
        QCOMPARE(windows->Form2().clock(1).position(), 0);

        windows->showForm4();
        QPointer<Form> news = windows->existingForm4();
        news->close();
        QCOMPARE(windows->existingForm4(), nullptr);
        QTRY_VERIFY(news.isNull()); // destroyed, not just hidden
        windows->showForm4();
        QCOMPARE(StandIn::made, 2);
    }

    void closingWhatDoesNotExistIsHarmless() {
        std::unique_ptr<Windows> windows(make());
        QSignalSpy ended(windows.get(), &Windows::ended);
        windows->closeAll();
        windows->closeAll();
        QVERIFY(!windows->anyOpen());
        QCOMPARE(ended.count(), 0);
    }

    void theApplicationEndsWithItsLastWindow() {
        std::unique_ptr<Windows> windows(make());
        QSignalSpy ended(windows.get(), &Windows::ended);
        windows->Form1().showNonModal();
        windows->showForm3();
        windows->existingForm3()->close();
        QCOMPARE(ended.count(), 0);
        windows->Form1().Label_Click(3);
        windows->showForm4();
        windows->closeAll();
        QCOMPARE(ended.count(), 1);
        QVERIFY(!windows->anyOpen());
    }

    // Closing the main window any way at all takes every other window with it.
    void closingTheMainWindowClosesEverything() {
        std::unique_ptr<Windows> windows(make());
        QSignalSpy ended(windows.get(), &Windows::ended);
        windows->Form1().showNonModal();
        windows->Form1().Label_Click(5);
        windows->showForm3();
        windows->showForm4();
        windows->existingForm1()->close();
        QVERIFY(!windows->anyOpen());
        QCOMPARE(ended.count(), 1);
    }
};

LUMATIC_TEST_MAIN(TestWindowRules)
#include "test_window_rules.moc"

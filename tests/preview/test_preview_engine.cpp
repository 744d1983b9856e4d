#include "data/style_catalogue.h"
#include "lumatic_test.h"
#include "preview/preview_clocks.h"
#include "preview/preview_sequence.h"

#include <QCoreApplication>
#include <QTimer>

using namespace lumatic;

class TestPreviewEngine : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

    void positionTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position"); // 0: no position text
        QTest::addColumn<int>("length");
        QTest::newRow("first") << "1/23" << 1 << 23;
        QTest::newRow("last") << "23/23" << 23 << 23;
        QTest::newRow("longest") << "51/51" << 51 << 51;
        QTest::newRow("leading blank") << " 7/23" << 0 << 0;
        QTest::newRow("trailing blank") << "7/23 " << 0 << 0;
        QTest::newRow("blank at slash") << "7 /23" << 0 << 0;
        QTest::newRow("leading zero") << "07/23" << 0 << 0;
        QTest::newRow("leading zero in length") << "7/023" << 0 << 0;
        QTest::newRow("zero") << "0/23" << 0 << 0;
        QTest::newRow("past the end") << "24/23" << 0 << 0;
        QTest::newRow("sign") << "+7/23" << 0 << 0;
        QTest::newRow("before the start") << "-20/24" << 0 << 0;
        QTest::newRow("minus zero") << "-0/23" << 0 << 0;
        QTest::newRow("negative length") << "7/-23" << 0 << 0;
        QTest::newRow("sign in length") << "7/+23" << 0 << 0;
        QTest::newRow("blank after slash") << "7/ 23" << 0 << 0;
        QTest::newRow("hexadecimal") << "0x7/23" << 0 << 0;
        QTest::newRow("no slash") << "723" << 0 << 0;
        QTest::newRow("two slashes") << "7/23/23" << 0 << 0;
        QTest::newRow("initial text") << "Number of strings and which is being previewed" << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("overflow") << "1/99999999999" << 0 << 0;
    }
    void positionTexts() {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, length);
        const auto parsed = PositionText::parse(text.toStdString());
        if (position == 0) {
            QCOMPARE(parsed, std::nullopt);
            return;
        }
        QCOMPARE(parsed, (PositionText{position, length}));
        QCOMPARE(QString::fromStdString(parsed->str()), text);
    }

    void clockCountsOneToLengthAndWraps() {
        PreviewClock clock(23);
        QCOMPARE(clock.position(), 0);
        QCOMPARE(clock.advance(), (PositionText{1, 23}));
        for (int tick = 2; tick <= 23; ++tick)
            QCOMPARE(clock.advance().position, tick);
        QCOMPARE(clock.advance(), (PositionText{1, 23}));
    }

    // The letter each clock plays at a position that tells its entry's pattern from any other of
    // the same length, and from the pattern turned; no clock outside 1 to 20 plays anything.
    void eachClockPlaysItsEntrysPattern_data() {
        QTest::addColumn<int>("clock");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("letter"); // empty: nothing plays
        const struct {
            int clock;
            const char *text, *letter;
        } rows[] = {{1, "14/23", "n"},  {2, "26/51", "z"},  {3, "23/34", "c"},  {4, "8/12", "a"},
                    {5, "18/33", "y"},  {6, "11/17", "m"},  {7, "12/28", "f"},  {8, "23/42", "a"},
                    {9, "13/16", "z"},  {10, "17/25", "a"}, {11, "19/36", "r"}, {12, "16/26", "o"},
                    {13, "14/28", "a"}, {14, "16/30", "m"}, {15, "8/32", "n"},  {16, "13/16", "a"},
                    {17, "19/33", "o"}, {18, "5/24", "z"},  {19, "12/24", "z"}, {20, "20/24", "z"},
                    {0, "1/23", ""},    {21, "1/23", ""}};
        for (const auto &row : rows)
            QTest::addRow("Timer%d at %s", row.clock, row.text)
                << row.clock << row.text << row.letter;
    }
    void eachClockPlaysItsEntrysPattern() {
        QFETCH(int, clock);
        QFETCH(QString, text);
        QFETCH(QString, letter);
        const auto played = PreviewSequence::letterAt(clock, text.toStdString());
        QCOMPARE(played ? QString(QChar(*played)) : QString(), letter);
    }

    void swatchColours_data() {
        QTest::addColumn<int>("running"); // 0: no clock runs
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("colour"); // -1: the swatch keeps its colour
        QTest::newRow("Timer2 starts black") << 2 << "1/51" << 0;
        QTest::newRow("Timer2 peaks at z") << 2 << "26/51" << 0xFAFAFA;
        QTest::newRow("Timer4 m") << 4 << "1/12" << 0x787878;
        QTest::newRow("Timer4 a") << 4 << "2/12" << 0;
        QTest::newRow("Timer5 starts at j") << 5 << "1/33" << 9 * 657930;
        QTest::newRow("5/24 on Timer18 is z") << 18 << "5/24" << 0xFAFAFA;
        QTest::newRow("5/24 on Timer19 is a") << 19 << "5/24" << 0;
        QTest::newRow("5/24 on Timer20 is a") << 20 << "5/24" << 0;
        QTest::newRow("5/28 on Timer7 is a") << 7 << "5/28" << 0;
        QTest::newRow("5/28 on Timer13 is a") << 13 << "5/28" << 0;
        QTest::newRow("Timer14 plays entry 14") << 14 << "2/30" << 0x787878;
        QTest::newRow("Timer17 plays entry 16") << 17 << "33/33" << 0x787878;
        QTest::newRow("Timer16 plays zzz...aaa") << 16 << "8/16" << 0xFAFAFA;
        QTest::newRow("Timer9 plays aaa...zzz") << 9 << "8/16" << 0;
        QTest::newRow("no clock runs") << 0 << "1/23" << -1;
        QTest::newRow("another clock's length") << 1 << "5/24" << -1;
        QTest::newRow("leading zero") << 1 << "05/23" << -1;
        QTest::newRow("blank") << 1 << "5/23 " << -1;
        QTest::newRow("before the start") << 18 << "-20/24" << -1;
        QTest::newRow("initial text")
            << 1 << "Number of strings and which is being previewed" << -1;
    }
    void swatchColours() {
        QFETCH(int, running);
        QFETCH(QString, text);
        QFETCH(int, colour);
        const auto clock = running ? std::optional<int>(running) : std::nullopt;
        const auto result = swatchLevel(colours_, clock, text.toStdString());
        if (colour < 0) {
            QCOMPARE(result, std::nullopt);
        } else {
            QVERIFY(result);
            QCOMPARE(result->colour, colour);
            QCOMPARE(result->letter, char('a' + colour / 657930));
        }
    }

    void clocksAreTwentyStoppedPreciseTimers() {
        PreviewClocks clocks([](const QString &) {});
        QCOMPARE(clocks.objectName(), "Form2");
        QCOMPARE(clocks.findChildren<QTimer *>().size(), 20);
        for (int number = 1; number <= clockCount; ++number) {
            const auto *timer = test::control<QTimer>(clocks, QString("Timer%1").arg(number));
            QCOMPARE(timer->interval(), 120);
            QCOMPARE(timer->timerType(), Qt::PreciseTimer);
            QVERIFY(!timer->isActive());
            QCOMPARE(clocks.clock(number).position(), 0);
            QCOMPARE(clocks.clock(number).length(), int(PreviewSequence::of(number).size()));
        }
        QCOMPARE(clocks.runningClock(), std::nullopt);
    }

    // Starting a running clock again must not put its next tick off.
    void startingARunningClockKeepsItsBeat() {
        PreviewClocks clocks([](const QString &) {});
        const auto *timer = test::control<QTimer>(clocks, "Timer3");
        clocks.setEnabled(3, true);
        // Half an interval gone: a restart would wind the timer back to a whole one.
        QTRY_VERIFY(timer->remainingTime() <= 60);
        clocks.setEnabled(3, true);
        QVERIFY(timer->remainingTime() <= 60);
        QCOMPARE(clocks.runningClock(), 3);
        clocks.stopAll();
        QCOMPARE(clocks.runningClock(), std::nullopt);
    }

    // The only test on real time: ticks do arrive, and each writes the next position.
    void realTimersPlay() {
        QStringList written;
        PreviewClocks clocks([&](const QString &text) { written << text; });
        clocks.setEnabled(4, true);
        QTRY_VERIFY_WITH_TIMEOUT(written.size() >= 3, 5000);
        clocks.stopAll();
        QCOMPARE(written.mid(0, 3), (QStringList{"1/12", "2/12", "3/12"}));
    }
};

QTEST_GUILESS_MAIN(TestPreviewEngine)
#include "test_preview_engine.moc"

#include "data/style_catalogue.h"
#include "lumatic_test.h"
#include "preview/preview_clocks.h"
#include "preview/preview_sequence.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>

using namespace lumatic;

namespace {

const char *const initialBox = "Number of strings and which is being previewed";

// A position text, and the position and length it gives; none (0) for any other text.
struct TextRow {
    const char *tag;
    std::string text;
    int position, length;
};

// The swatch's colour for a text, while a clock runs (0: none); -1: it keeps its colour.
struct SwatchRow {
    const char *tag;
    int running;
    std::string text;
    int colour;
};

} // namespace

class TestPreviewEngine : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

    void positionTexts_data() {
        const TextRow rows[] = {{"first", "1/23", 1, 23},
                                {"last", "23/23", 23, 23},
                                {"longest", "51/51", 51, 51},
                                {"leading blank", " 7/23", 0, 0},
                                {"trailing blank", "7/23 ", 0, 0},
                                {"blank at slash", "7 /23", 0, 0},
                                {"leading zero", "07/23", 0, 0},
                                {"leading zero in length", "7/023", 0, 0},
                                {"zero", "0/23", 0, 0},
                                {"past the end", "24/23", 0, 0},
                                {"sign", "+7/23", 0, 0},
                                {"before the start", "-20/24", 0, 0},
                                {"minus zero", "-0/23", 0, 0},
                                {"negative length", "7/-23", 0, 0},
                                {"sign in length", "7/+23", 0, 0},
                                {"blank after slash", "7/ 23", 0, 0},
                                {"hexadecimal", "0x7/23", 0, 0},
                                {"no slash", "723", 0, 0},
                                {"two slashes", "7/23/23", 0, 0},
                                {"initial text", initialBox, 0, 0},
                                {"empty", "", 0, 0},
                                {"overflow", "1/99999999999", 0, 0}};
        test::addRows(rows);
    }
    void positionTexts() {
        QFETCH(TextRow, row);
        const auto parsed = PositionText::parse(row.text);
        if (row.position == 0) {
            QCOMPARE(parsed, std::nullopt);
            return;
        }
        QCOMPARE(parsed, (PositionText{row.position, row.length}));
        QCOMPARE(parsed->str(), row.text);
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
        const SwatchRow rows[] = {{"Timer2 starts black", 2, "1/51", 0},
                                  {"Timer2 peaks at z", 2, "26/51", 0xFAFAFA},
                                  {"Timer4 m", 4, "1/12", 0x787878},
                                  {"Timer4 a", 4, "2/12", 0},
                                  {"Timer5 starts at j", 5, "1/33", 9 * 657930},
                                  {"5/24 on Timer18 is z", 18, "5/24", 0xFAFAFA},
                                  {"5/24 on Timer19 is a", 19, "5/24", 0},
                                  {"5/24 on Timer20 is a", 20, "5/24", 0},
                                  {"5/28 on Timer7 is a", 7, "5/28", 0},
                                  {"5/28 on Timer13 is a", 13, "5/28", 0},
                                  {"Timer14 plays entry 14", 14, "2/30", 0x787878},
                                  {"Timer17 plays entry 16", 17, "33/33", 0x787878},
                                  {"Timer16 plays zzz...aaa", 16, "8/16", 0xFAFAFA},
                                  {"Timer9 plays aaa...zzz", 9, "8/16", 0},
                                  {"no clock runs", 0, "1/23", -1},
                                  {"another clock's length", 1, "5/24", -1},
                                  {"leading zero", 1, "05/23", -1},
                                  {"blank", 1, "5/23 ", -1},
                                  {"before the start", 18, "-20/24", -1},
                                  {"initial text", 1, initialBox, -1}};
        test::addRows(rows);
    }
    void swatchColours() {
        QFETCH(SwatchRow, row);
        const auto clock = row.running ? std::optional<int>(row.running) : std::nullopt;
        const auto result = swatchLevel(colours_, clock, row.text);
        if (row.colour < 0) {
            QCOMPARE(result, std::nullopt);
        } else {
            QVERIFY(result);
            QCOMPARE(result->colour, row.colour);
            QCOMPARE(result->letter, char('a' + row.colour / 657930));
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

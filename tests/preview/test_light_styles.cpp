#include "data/style_catalogue.h"
#include "lumatic_test.h"
#include "preview/preview_clocks.h"
#include "preview/preview_sequence.h"

#include <QRegularExpression>
#include <QTimer>
#include <set>

using namespace lumatic;
using lumatic::test::q;

namespace {

// An entry as listed or, without a caption, one of its texts as written.
struct EntryRow {
    const char *tag;
    int number;
    const char *caption = nullptr, *displayName = nullptr; // displayName null: the caption
    int letters = 0, clock = 0;
    const char *info = nullptr, *pattern = nullptr;
};

} // namespace

// The light styles, the greys of their level letters, and the preview that plays them.
class TestLightStyles : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

    // The texts with their quirks; the patterns of the strobes and the pulse.
    void entries_data() {
        const EntryRow rows[] = {
            {"1", 1, "1 - Fire Flicker", nullptr, 23, 1},
            {"2 listed as strobe, shown as pulse", 2, "2 - Slow Strong Strobe",
             "2 - Slow Strong Pulse", 51, 2},
            {"4 shortest", 4, "4 - Fast Strobe", nullptr, 12, 4},
            {"9", 9, "9 - Slow Strong Strobe", nullptr, 16, 9},
            {"13 shown without blank", 13, "13 - Fluorescent Flicker 3",
             "13 - Fluorescent Flicker2", 28, 13},
            {"14 own clock", 14, "14 - Fluorescent Flicker 4", "14 - Fluorescent Flicker3", 30, 14},
            {"15", 15, "15 - Realistic Fade", nullptr, 32, 15},
            {"16 own clock", 16, "16 - Realistic Fade 2", nullptr, 33, 17},
            {"17 on Timer16", 17, "17 - Slow Strong Strobe 2", nullptr, 16, 16},
            {"18", 18, "18 - Three Cycle Strobe 1", nullptr, 24, 18},
            {"20", 20, "20 - Three Cycle Strobe 3", nullptr, 24, 20},
            {.tag = "doubled blank",
             .number = 2,
             .info = "INFO: A good pulse.  Goes Dark then Lights up again slowly"},
            {.tag = "capital World",
             .number = 10,
             .info = "INFO: Used a lot in some maps for broken lights. World/lightf_broke.wav "
                     "speaker to go with it, or lightf_broker.wav for a hallway light"},
            {.tag = "small world",
             .number = 13,
             .info = "INFO: An alternate fluorescent flicker. Looks more broker so add the "
                     "world/lightf_broker.wav instead"},
            {.tag = "names style 9",
             .number = 17,
             .info = "INFO: Opposite of Style 9, so add a light with this style and another with "
                     "different color with style of 9. Red and Blue can make a siren"},
            {.tag = "strobe 9", .number = 9, .pattern = "aaaaaaaazzzzzzzz"},
            {.tag = "strobe 17", .number = 17, .pattern = "zzzzzzzzaaaaaaaa"},
            {.tag = "pulse 5", .number = 5, .pattern = "jklmnopqrstuvwxyzyxwvutsrqponmlkj"}};
        test::addRows(rows);
    }
    void entries() {
        QFETCH(EntryRow, row);
        const StyleEntry &entry = styleEntry(row.number);
        QCOMPARE(entry.number, row.number);
        if (row.info)
            QCOMPARE(q(entry.info), row.info);
        if (row.pattern)
            QCOMPARE(q(entry.pattern), row.pattern);
        if (!row.caption)
            return;
        QCOMPARE(q(entry.caption), row.caption);
        QCOMPARE(q(entry.displayName), row.displayName ? row.displayName : row.caption);
        QCOMPARE(int(entry.pattern.size()), row.letters);
        QCOMPARE(entry.clock, row.clock);
    }

    // The rules every row keeps: what the list, the labels and the clocks rely on.
    void everyEntryKeepsTheRules() {
        std::set<int> clocks;
        for (int n = 1; n <= styleCount; ++n) {
            const StyleEntry &entry = styleCatalogue[n - 1];
            const QString prefix = QString::number(n) + " - ";
            QCOMPARE(entry.number, n);
            QVERIFY(q(entry.caption).startsWith(prefix));
            QVERIFY(q(entry.displayName).startsWith(prefix));
            QVERIFY(entry.caption.size() >= 10 && entry.caption.size() <= 26);
            QVERIFY(entry.displayName.size() >= 10 && entry.displayName.size() <= 25);
            QVERIFY(entry.pattern.size() >= 12 && entry.pattern.size() <= 51);
            QVERIFY(q(entry.pattern).contains(QRegularExpression("^[a-z]+$")));
            QVERIFY(q(entry.info).startsWith("INFO: "));
            if (n != 2 && n != 13 && n != 14)
                QCOMPARE(q(entry.displayName), q(entry.caption));
            clocks.insert(entry.clock);
        }
        // Every entry previews on a clock of its own, so every pattern plays as listed.
        QCOMPARE(clocks.size(), std::size_t(styleCount));
        QCOMPARE(*clocks.begin(), 1);
        QCOMPARE(*clocks.rbegin(), clockCount);
    }

    void noEntryOutsideOneToTwenty() {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, styleEntry(0));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, styleEntry(21));
    }

    // The swatch's grey for a letter, in 0x00BBGGRR, which the table keeps as its decimal text:
    // m is 120, not 128, and z 250, not white. -1: no level letter, no colour.
    void greyOfALetter_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("colour");
        const std::pair<char, int> rows[] = {{'a', 0},        {'b', 0x0A0A0A}, {'j', 0x5A5A5A},
                                             {'m', 0x787878}, {'n', 0x828282}, {'y', 0xF0F0F0},
                                             {'z', 0xFAFAFA}, {'M', -1},       {'`', -1},
                                             {'{', -1},       {'5', -1},       {' ', -1}};
        for (const auto &[letter, colour] : rows)
            QTest::addRow("'%c'", letter) << letter << colour;
    }
    void greyOfALetter() {
        QFETCH(char, letter);
        QFETCH(int, colour);
        QCOMPARE(colours_.colour(letter),
                 colour < 0 ? std::nullopt : std::optional<std::int32_t>(colour));
        if (colour >= 0)
            QCOMPARE(colours_.text(letter - 'a'), std::to_string(colour));
    }

    // From a to z each letter is a grey, ten levels of red, green and blue brighter than the last.
    void everyLetterIsTenLevelsBrighter() {
        for (char letter = 'b'; letter <= 'z'; ++letter) {
            const std::int32_t value = *colours_.colour(letter),
                               before = *colours_.colour(char(letter - 1));
            for (int shift : {0, 8, 16})
                QVERIFY2(((value >> shift) & 0xFF) == ((before >> shift) & 0xFF) + 10,
                         qPrintable(QString(QChar(letter))));
        }
    }

    void unfilledTableGivesNoColour() {
        const LevelColours colours;
        QVERIFY(!colours.filled());
        QCOMPARE(colours.colour('m'), std::nullopt);
    }

    void positionTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position"); // 0: no position text
        QTest::addColumn<int>("length");
        QTest::newRow("first") << "1/23" << 1 << 23;
        QTest::newRow("last") << "23/23" << 23 << 23;
        QTest::newRow("longest") << "51/51" << 51 << 51;
        // Anything else is refused: blanks, signs, leading zeros, other numbers, other texts.
        for (const char *text : {" 7/23", "7/23 ", "7 /23", "7/ 23", "07/23", "7/023", "0/23",
                                 "24/23", "+7/23", "-20/24", "-0/23", "7/-23", "7/+23", "0x7/23",
                                 "723", "7/23/23", "", "1/99999999999", test::initialBox})
            QTest::addRow("\"%s\"", text) << text << 0 << 0;
    }
    void positionTexts() {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, length);
        const auto parsed = PositionText::parse(text.toStdString());
        QCOMPARE(parsed, position ? std::optional(PositionText{position, length}) : std::nullopt);
        if (parsed)
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

    // The letter a running clock plays at a position, and the swatch's grey for it. Each clock
    // at a position that tells its entry's pattern from any other of the same length, and from
    // the pattern turned; then the same text on another clock of that length: Timer14 plays
    // entry 14, Timer17 entry 16, Timer16 zzz...aaa and Timer9 aaa...zzz. 0: nothing plays and
    // the swatch keeps its colour, as when no clock runs (Timer0) or a clock is outside 1 to 20.
    void theRunningClockPlaysItsEntrysPattern_data() {
        QTest::addColumn<int>("clock");
        QTest::addColumn<QString>("text");
        QTest::addColumn<char>("letter");
        const std::tuple<int, const char *, char> rows[] = {
            {1, "14/23", 'n'},  {2, "26/51", 'z'},       {3, "23/34", 'c'},  {4, "8/12", 'a'},
            {5, "18/33", 'y'},  {6, "11/17", 'm'},       {7, "12/28", 'f'},  {8, "23/42", 'a'},
            {9, "13/16", 'z'},  {10, "17/25", 'a'},      {11, "19/36", 'r'}, {12, "16/26", 'o'},
            {13, "14/28", 'a'}, {14, "16/30", 'm'},      {15, "8/32", 'n'},  {16, "13/16", 'a'},
            {17, "19/33", 'o'}, {18, "5/24", 'z'},       {19, "12/24", 'z'}, {20, "20/24", 'z'},
            {2, "1/51", 'a'},   {4, "1/12", 'm'},        {4, "2/12", 'a'},   {5, "1/33", 'j'},
            {19, "5/24", 'a'},  {20, "5/24", 'a'},       {20, "24/24", 'z'}, {7, "5/28", 'a'},
            {13, "5/28", 'a'},  {14, "2/30", 'm'},       {17, "33/33", 'm'}, {16, "8/16", 'z'},
            {9, "8/16", 'a'},   {0, "1/23", 0},          {21, "1/23", 0},    {-1, "1/23", 0},
            {1, "5/24", 0},     {1, "0/23", 0},          {1, "05/23", 0},    {1, "5/23 ", 0},
            {18, "-20/24", 0},  {1, test::initialBox, 0}};
        for (const auto &[clock, text, letter] : rows)
            QTest::addRow("Timer%d at \"%s\"", clock, text) << clock << text << letter;
    }
    void theRunningClockPlaysItsEntrysPattern() {
        QFETCH(int, clock);
        QFETCH(QString, text);
        QFETCH(char, letter);
        QCOMPARE(PreviewSequence::letterAt(clock, text.toStdString()).value_or(0), letter);
        const auto level =
            swatchLevel(colours_, clock ? std::optional(clock) : std::nullopt, text.toStdString());
        QCOMPARE(level.has_value(), letter != 0);
        if (level) {
            QCOMPARE(level->letter, letter);
            QCOMPARE(level->colour, (letter - 'a') * 0x0A0A0A);
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

QTEST_GUILESS_MAIN(TestLightStyles)
#include "test_light_styles.moc"

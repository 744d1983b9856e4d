#include "data/level_colours.h"
#include "data/style_catalogue.h"
#include "lumatic_test.h"

#include <QRegularExpression>
#include <set>

using namespace lumatic;
using lumatic::test::q;

namespace {

struct EntryRow {
    const char *tag;
    int number;
    const char *caption, *displayName; // null: the caption
    int letters, clock;
};
struct TextRow {
    const char *tag;
    int number;
    bool pattern; // else the note
    const char *text;
};

} // namespace

// The data the windows show: the light styles and the greys of their level letters.
class TestData : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

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
            {"20", 20, "20 - Three Cycle Strobe 3", nullptr, 24, 20}};
        test::addRows(rows);
    }
    void entries() {
        QFETCH(EntryRow, row);
        const StyleEntry &entry = styleEntry(row.number);
        QCOMPARE(entry.number, row.number);
        QCOMPARE(q(entry.caption), row.caption);
        QCOMPARE(q(entry.displayName), row.displayName ? row.displayName : row.caption);
        QCOMPARE(int(entry.pattern.size()), row.letters);
        QCOMPARE(entry.clock, row.clock);
    }

    // Texts as written, with their quirks; the patterns of the strobes and the pulse.
    void textsAsWritten_data() {
        const TextRow rows[] = {
            {"doubled blank", 2, false,
             "INFO: A good pulse.  Goes Dark then Lights up again slowly"},
            {"capital World", 10, false,
             "INFO: Used a lot in some maps for broken lights. World/lightf_broke.wav speaker to "
             "go with it, or lightf_broker.wav for a hallway light"},
            {"small world", 13, false,
             "INFO: An alternate fluorescent flicker. Looks more broker so add the "
             "world/lightf_broker.wav instead"},
            {"names style 9", 17, false,
             "INFO: Opposite of Style 9, so add a light with this style and another with "
             "different color with style of 9. Red and Blue can make a siren"},
            {"strobe 9", 9, true, "aaaaaaaazzzzzzzz"},
            {"strobe 17", 17, true, "zzzzzzzzaaaaaaaa"},
            {"pulse 5", 5, true, "jklmnopqrstuvwxyzyxwvutsrqponmlkj"}};
        test::addRows(rows);
    }
    void textsAsWritten() {
        QFETCH(TextRow, row);
        const StyleEntry &entry = styleEntry(row.number);
        QCOMPARE(q(row.pattern ? entry.pattern : entry.info), row.text);
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
        if (colour < 0) {
            QCOMPARE(colours_.colour(letter), std::nullopt);
            return;
        }
        QCOMPARE(colours_.colour(letter), std::optional<std::int32_t>(colour));
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
};

QTEST_APPLESS_MAIN(TestData)
#include "test_data.moc"

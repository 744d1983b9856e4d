#include "data/level_colours.h"
#include "data/style_catalogue.h"
#include "lumatic_test.h"

#include <QRegularExpression>
#include <set>

using namespace lumatic;
using lumatic::test::q;

// The data the windows show: the light styles and the greys of their level letters.
class TestData : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

    void entries_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("displayName");
        QTest::addColumn<int>("letters");
        QTest::addColumn<int>("clock");
        const auto row = [](const char *tag, int number, const char *caption,
                            const char *displayName, int letters, int clock) {
            QTest::newRow(tag) << number << QString(caption) << QString(displayName) << letters
                               << clock;
        };
        row("1", 1, "1 - Fire Flicker", "1 - Fire Flicker", 23, 1);
        row("2 listed as strobe, shown as pulse", 2, "2 - Slow Strong Strobe",
            "2 - Slow Strong Pulse", 51, 2);
        row("4 shortest", 4, "4 - Fast Strobe", "4 - Fast Strobe", 12, 4);
        row("9", 9, "9 - Slow Strong Strobe", "9 - Slow Strong Strobe", 16, 9);
        row("13 shown without blank", 13, "13 - Fluorescent Flicker 3", "13 - Fluorescent Flicker2",
            28, 13);
        row("14 own clock", 14, "14 - Fluorescent Flicker 4", "14 - Fluorescent Flicker3", 30, 14);
        row("15", 15, "15 - Realistic Fade", "15 - Realistic Fade", 32, 15);
        row("16 own clock", 16, "16 - Realistic Fade 2", "16 - Realistic Fade 2", 33, 17);
        row("17 on Timer16", 17, "17 - Slow Strong Strobe 2", "17 - Slow Strong Strobe 2", 16, 16);
        row("18", 18, "18 - Three Cycle Strobe 1", "18 - Three Cycle Strobe 1", 24, 18);
        row("20", 20, "20 - Three Cycle Strobe 3", "20 - Three Cycle Strobe 3", 24, 20);
    }
    void entries() {
        QFETCH(int, number);
        const StyleEntry &entry = styleEntry(number);
        QCOMPARE(entry.number, number);
        QTEST(q(entry.caption), "caption");
        QTEST(q(entry.displayName), "displayName");
        QTEST(int(entry.pattern.size()), "letters");
        QTEST(entry.clock, "clock");
    }

    // Texts as written, with their quirks; the patterns of the strobes and the pulse.
    void textsAsWritten_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("pattern"); // else the note
        QTest::addColumn<QString>("text");
        const auto row = [](const char *tag, int number, bool pattern, const char *text) {
            QTest::newRow(tag) << number << pattern << QString(text);
        };
        row("doubled blank", 2, false,
            "INFO: A good pulse.  Goes Dark then Lights up again slowly");
        row("capital World", 10, false,
            "INFO: Used a lot in some maps for broken lights. World/lightf_broke.wav speaker to "
            "go with it, or lightf_broker.wav for a hallway light");
        row("small world", 13, false,
            "INFO: An alternate fluorescent flicker. Looks more broker so add the "
            "world/lightf_broker.wav instead");
        row("names style 9", 17, false,
            "INFO: Opposite of Style 9, so add a light with this style and another with "
            "different color with style of 9. Red and Blue can make a siren");
        row("strobe 9", 9, true, "aaaaaaaazzzzzzzz");
        row("strobe 17", 17, true, "zzzzzzzzaaaaaaaa");
        row("pulse 5", 5, true, "jklmnopqrstuvwxyzyxwvutsrqponmlkj");
    }
    void textsAsWritten() {
        QFETCH(int, number);
        QFETCH(bool, pattern);
        const StyleEntry &entry = styleEntry(number);
        QTEST(q(pattern ? entry.pattern : entry.info), "text");
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

    // The swatch's grey for a letter, in 0x00BBGGRR, and the decimal text the table keeps it as;
    // -1: no level letter, no colour.
    void greyOfALetter_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QString>("text");
        const struct {
            const char *name;
            char letter;
            int colour;
            const char *text;
        } rows[] = {{"a is black", 'a', 0, "0"},
                    {"b", 'b', 0x0A0A0A, "657930"},
                    {"j", 'j', 0x5A5A5A, "5921370"},
                    {"m is 120, not 128", 'm', 0x787878, "7895160"},
                    {"y", 'y', 0xF0F0F0, "15790320"},
                    {"z is 250, not white", 'z', 0xFAFAFA, "16448250"},
                    {"capital", 'M', -1, ""},
                    {"before a", '`', -1, ""},
                    {"after z", '{', -1, ""},
                    {"digit", '5', -1, ""},
                    {"n, past the middle", 'n', 0x828282, "8553090"},
                    {"blank", ' ', -1, ""}};
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.letter << row.colour << row.text;
    }
    void greyOfALetter() {
        QFETCH(char, letter);
        QFETCH(int, colour);
        QFETCH(QString, text);
        if (colour < 0) {
            QCOMPARE(colours_.colour(letter), std::nullopt);
            return;
        }
        QCOMPARE(colours_.colour(letter), std::optional<std::int32_t>(colour));
        QCOMPARE(QString::fromStdString(colours_.text(letter - 'a')), text);
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

#include "data/level_colours.h"

#include <QTest>

using lumatic::LevelColours;

class TestLevelColours : public QObject {
    Q_OBJECT

    LevelColours colours_;

private slots:
    void initTestCase() { colours_.fill(); }

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
        } rows[] = {
            {"a is black", 'a', 0, "0"},      {"b", 'b', 0x0A0A0A, "657930"},
            {"j", 'j', 0x5A5A5A, "5921370"},  {"m is 120, not 128", 'm', 0x787878, "7895160"},
            {"y", 'y', 0xF0F0F0, "15790320"}, {"z is 250, not white", 'z', 0xFAFAFA, "16448250"},
            {"capital", 'M', -1, ""},         {"before a", '`', -1, ""},
            {"after z", '{', -1, ""},         {"digit", '5', -1, ""}};
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

QTEST_APPLESS_MAIN(TestLevelColours)
#include "test_level_colours.moc"

#include "data/level_colours.h"

#include <QTest>

using lumatic::LevelColours;

class TestLevelColours : public QObject {
    Q_OBJECT

private slots:
    void tellingRows_data() {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("colour");
        QTest::addColumn<QString>("text");
        QTest::newRow("a is black") << 'a' << 0 << "0";
        QTest::newRow("b") << 'b' << 0x0A0A0A << "657930";
        QTest::newRow("m is 120, not 128") << 'm' << 0x787878 << "7895160";
        QTest::newRow("y") << 'y' << 0xF0F0F0 << "15790320";
        QTest::newRow("z is 250, not white") << 'z' << 0xFAFAFA << "16448250";
    }
    void tellingRows() {
        QFETCH(char, letter);
        QFETCH(int, colour);
        QFETCH(QString, text);
        LevelColours colours;
        colours.fill();
        QCOMPARE(QString::fromStdString(colours.text(letter - 'a')), text);
        QCOMPARE(colours.colour(letter), std::optional<std::int32_t>(colour));
    }

    void everyLetterIsTenStepsOfGrey() {
        LevelColours colours;
        colours.fill();
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            const int i = letter - 'a';
            const std::int32_t value = *colours.colour(letter);
            QCOMPARE(value, i * 657930);
            QCOMPARE(value & 0xFF, 10 * i);
            QCOMPARE((value >> 8) & 0xFF, 10 * i);
            QCOMPARE((value >> 16) & 0xFF, 10 * i);
        }
    }

    void noColourOutsideTheLevels_data() {
        QTest::addColumn<char>("character");
        QTest::newRow("capital") << 'M';
        QTest::newRow("before a") << '`';
        QTest::newRow("after z") << '{';
        QTest::newRow("digit") << '5';
    }
    void noColourOutsideTheLevels() {
        QFETCH(char, character);
        LevelColours colours;
        colours.fill();
        QCOMPARE(colours.colour(character), std::nullopt);
    }

    void unfilledTableGivesNoColour() {
        const LevelColours colours;
        QVERIFY(!colours.filled());
        QCOMPARE(colours.colour('m'), std::nullopt);
    }
};

QTEST_APPLESS_MAIN(TestLevelColours)
#include "test_level_colours.moc"

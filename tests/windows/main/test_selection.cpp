#include "lumatic_test.h"
#include "shown_main_window.h"

#include <QRandomGenerator>

using namespace lumatic;
using lumatic::test::control;
using lumatic::test::q;

namespace {

std::uint32_t grey(char letter) {
    return std::uint32_t(letter - 'a') * 10 * 0x010101;
}

const char *const initialBox = "Number of strings and which is being previewed";

// The application with its ticks driven by hand: a tick comes only when the test sends one,
// from every clock that is switched on, as the real timers would.
struct Driven {
    WindowRegistry windows{nullptr, nullptr};
    MainWindow &main = windows.mainWindow();
    int selected = 0;

    // The label that shows an entry: the mapping is its own inverse.
    void select(int entry) {
        main.Label_Click(MainWindow::entryOfLabel(entry));
        selected = entry;
    }
    void tick(int times = 1) {
        PreviewClocks *clocks = windows.existingClocks();
        for (int i = 0; clocks && i < times; ++i)
            for (int clock = 1; clock <= clockCount; ++clock)
                if (clocks->isEnabled(clock))
                    clocks->tick(clock);
    }
    QString text(const char *label) const { return control<QLabel>(main, label)->text(); }
    PositionBox &box() const { return *control<PositionBox>(main, "stylerun"); }
    std::uint32_t swatch() const { return control<Swatch>(main, "preview")->backColor(); }
    // A script of selections (an entry's number), ticks ("t", or "t5" for five) and stop
    // commands ("stop", a click on the window).
    void play(const QString &script) {
        for (const QString &step : script.split(' ', Qt::SkipEmptyParts))
            if (step == "stop")
                main.Form_Click();
            else if (step.startsWith('t'))
                tick(step.size() > 1 ? step.mid(1).toInt() : 1);
            else
                select(step.toInt());
    }
};

// An independent account of what the user should see, for the random walk below.
struct Model {
    std::array<int, clockCount> counters{};
    int running = 0;
    QString box = initialBox;
    std::uint32_t swatch = 0x808080;
    QString style = "style name", strings = "strings abc... a=dark, m=normal, z=bright",
            uses = "uses";

    void select(int entry) {
        const StyleEntry &e = styleEntry(entry);
        style = q(e.displayName);
        strings = q(e.pattern);
        uses = q(e.info);
        running = e.clock;
    }
    void stop() { running = 0; }
    QStringList seen() const {
        QStringList all = {style, strings, uses, box, QString::number(swatch)};
        for (int clock = 1; clock <= clockCount; ++clock)
            all << QString("%1%2").arg(counters[clock - 1]).arg(clock == running ? "+" : "");
        return all;
    }
    void tick() {
        if (!running)
            return;
        const std::string_view pattern =
            std::ranges::find(styleCatalogue, running, &StyleEntry::clock)->pattern;
        int &count = counters[running - 1];
        count = count % int(pattern.size()) + 1;
        box = QString("%1/%2").arg(count).arg(pattern.size());
        swatch = grey(pattern[count - 1]);
    }
};

struct ScriptRow {
    const char *tag, *script, *write, *box, *swatch;
};

} // namespace

class TestSelection : public QObject {
    Q_OBJECT

private slots:
    void labelsSelectTheirEntries_data() {
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("style");
        QTest::addColumn<int>("clock");
        QTest::newRow("Label1") << 1 << "1 - Fire Flicker" << 1;
        QTest::newRow("Label2 shows pulse") << 2 << "2 - Slow Strong Pulse" << 2;
        QTest::newRow("Label10") << 10 << "10 - Fluorescent Flicker" << 10;
        QTest::newRow("Label20 is entry 11") << 20 << "11 - Black Fade Pulse" << 11;
        QTest::newRow("Label18 is entry 13") << 18 << "13 - Fluorescent Flicker2" << 13;
        QTest::newRow("Label17 is entry 14") << 17 << "14 - Fluorescent Flicker3" << 14;
        QTest::newRow("Label15 is entry 16") << 15 << "16 - Realistic Fade 2" << 17;
        QTest::newRow("Label14 is entry 17") << 14 << "17 - Slow Strong Strobe 2" << 16;
        QTest::newRow("Label11 is entry 20") << 11 << "20 - Three Cycle Strobe 3" << 20;
        QTest::newRow("Label5") << 5 << "5 - Gentle Pulse" << 5;
    }
    // A click through the window system; only the clock of the label's entry runs.
    void labelsSelectTheirEntries() {
        QFETCH(int, label);
        QFETCH(int, clock);
        Driven app;
        app.main.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&app.main));
        QTest::mouseClick(control(app.main, QString("Label%1").arg(label)), Qt::LeftButton);
        QTEST(app.text("style"), "style");
        QCOMPARE(app.windows.clocks().runningClock(), clock);
        Model model;
        model.select(MainWindow::entryOfLabel(label));
        QCOMPARE(test::shownTexts(app.windows, true), model.seen());
    }

    // What the box and the swatch show after a script and, where a row gives one, a write of
    // the box; the style label names the entry selected last, running or not. The swatch's letter,
    // or "-" for its first grey: selection writes texts and switches clocks, the box and the swatch
    // wait for the tick. Equal texts of clocks of equal length follow the running clock, also when
    // its first text equals the one the old clock left. A write colours the swatch only with a
    // position of the running clock.
    void scriptsShowTheRunningClocksPosition_data() {
        const ScriptRow rows[] = {
            {"selection waits for the tick", "1", nullptr, initialBox, "-"},
            {"first tick", "1 t", nullptr, "1/23", "m"},
            {"another selection waits too", "1 t 2", nullptr, "1/23", "m"},
            {"first run", "1 t23", nullptr, "23/23", "o"},
            {"wrap", "1 t24", nullptr, "1/23", "m"},
            {"resume mid-way, other clocks ran", "1 t7 2 t9 18 t3 1 t", nullptr, "8/23", "m"},
            {"stopped mid-way stays", "1 t7 stop t5", nullptr, "7/23", "m"},
            {"resume mid-way after a stop", "1 t7 stop t5 1 t", nullptr, "8/23", "m"},
            {"resume at the last position", "1 t23 2 t9 18 t3 1 t", nullptr, "1/23", "m"},
            {"selecting the running entry waits for the tick", "5 t3 5", nullptr, "3/33", "l"},
            {"selecting the running entry keeps the count", "5 t3 5 t", nullptr, "4/33", "m"},
            {"equal length, own letter", "19 t4 18 t5", nullptr, "5/24", "z"},
            {"equal text, running clock's letter", "19 t4 18 t5 19 t", nullptr, "5/24", "a"},
            {"write: a position of the running clock", "4 t2 1", "3/23", "3/23", "n"},
            {"write: leading blank", "4 t2 1", " 3/23", " 3/23", "a"},
            {"write: leading zero", "4 t2 1", "03/23", "03/23", "a"},
            {"write: another clock's length", "4 t2 1", "3/24", "3/24", "a"},
            {"write: past the end", "4 t2 1", "24/23", "24/23", "a"},
            {"write: no clock ran yet", "", "1/23", "1/23", "-"},
            {"write: no clock runs", "9 t9 stop", "1/16", "1/16", "z"}};
        test::addRows(rows);
    }
    void scriptsShowTheRunningClocksPosition() {
        QFETCH(ScriptRow, row);
        Driven app;
        app.play(row.script);
        if (row.write)
            app.box().write(row.write);
        QCOMPARE(app.box().text(), row.box);
        QCOMPARE(app.swatch(), *row.swatch == '-' ? 0x808080u : grey(*row.swatch));
        QCOMPARE(app.text("style"),
                 app.selected ? q(styleEntry(app.selected).displayName) : "style name");
    }

    void everyEntryPlaysItsOwnPattern_data() {
        QTest::addColumn<int>("entry");
        for (int entry : {1, 2, 13, 14, 15, 16, 17, 20})
            QTest::addRow("entry %d", entry) << entry;
    }
    void everyEntryPlaysItsOwnPattern() {
        QFETCH(int, entry);
        Driven app;
        app.select(entry);
        const std::string_view pattern = styleEntry(entry).pattern;
        const int length = int(pattern.size());
        for (int k = 1; k <= length; ++k) {
            app.tick();
            QCOMPARE(app.box().text(), QString("%1/%2").arg(k).arg(length));
            QCOMPARE(app.swatch(), grey(pattern[k - 1]));
        }
    }

    // A random walk of selections, stop commands and ticks against the model. The seed can be
    // changed with LUMATIC_MODEL_SEED to explore other walks.
    void randomWalkAgreesWithTheModel() {
        const quint32 seed = qEnvironmentVariableIsSet("LUMATIC_MODEL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("LUMATIC_MODEL_SEED"))
                                 : 20261208u;
        QRandomGenerator random(seed);
        Driven app;
        Model model;
        for (int step = 0; step < 5000; ++step) {
            const int action = random.bounded(10);
            if (action < 2) {
                const int entry = random.bounded(1, styleCount + 1);
                app.select(entry);
                model.select(entry);
            } else if (action < 3) {
                app.main.Form_Click();
                model.stop();
            } else {
                app.tick();
                model.tick();
            }
            const QString where = QString("seed %1, step %2").arg(seed).arg(step);
            const QStringList seen = test::shownTexts(app.windows, true), expected = model.seen();
            QVERIFY2(seen == expected,
                     qPrintable(where + ": " + seen.join('|') + " against " + expected.join('|')));
        }
    }
};

LUMATIC_TEST_MAIN(TestSelection)
#include "test_selection.moc"

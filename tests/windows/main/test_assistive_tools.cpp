#include "shown_main_window.h"
#include "windows/news/web_harness.h"

#include <QSignalSpy>

using namespace lumatic;
using lumatic::test::control;

// The program as screen readers and voice control find it: over the accessibility bus, from a
// process of their own. A read that hangs the program fails by QTEST_FUNCTION_TIMEOUT.

namespace {

struct Node {
    int depth;
    QString role, name, description;
    QStringList states, actions;
};

// What the reader says, which walks this process's windows (all of them for the window "*")
// while this one goes on answering; nothing when it fails or takes longer than 20 seconds, and
// then the reader is killed as the QProcess goes.
std::optional<QString> askReader(const QStringList &arguments,
                                 const QString &window = "Kingpin Lumatic") {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QSignalSpy finished(&reader, &QProcess::finished);
    const QString pid = QString::number(QCoreApplication::applicationPid());
    reader.start("/usr/bin/python3", QStringList{LUMATIC_READER, pid, window} + arguments);
    if (!finished.wait(20000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(reader.readAllStandardOutput());
}

struct ControlRow {
    const char *tag, *name, *description;
    QStringList states, actions;
};

// The steps that bring the windows into a state, and the title of the window read then.
struct StateRow {
    const char *tag, *steps, *window;
};

} // namespace

class TestAssistiveTools : public QObject {
    Q_OBJECT

    HttpServer server_;
    test::ShownMainWindow shown_{test::engine};
    WindowRegistry &windows() { return shown_.registry(); }
    QList<Node> tree_;

    NewsWindow &news() { return static_cast<NewsWindow &>(windows().newsWindow()); }
    Browser *browser() { return news().findChild<Browser *>(); }

    // Plays the steps from a news window made afresh: "help" or "news" shows that window, "kill"
    // ends the page's renderers, a news button's name clicks it ("Command1" and "Command3" wait
    // for the page they load).
    void play(const QString &steps) {
        if (Form *open = windows().existingNewsWindow())
            open->close();
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            if (step == "help") {
                windows().showHelp();
            } else if (step == "news") {
                windows().showNews();
                QVERIFY(QTest::qWaitForWindowExposed(&news()));
            } else if (step == "kill") {
                QSignalSpy notices(browser(), &Browser::notice);
                QVERIFY(test::killRenderers(browser()) > 0);
                QVERIFY(notices.wait(10000));
            } else {
                QTest::mouseClick(control(news(), step), Qt::LeftButton);
                if (step == "Command4")
                    continue;
                QVERIFY(browser());
                QSignalSpy finished(browser(), &Browser::loadFinished);
                QVERIFY(test::loadSucceeded(finished, 15000));
            }
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(server_.listen());
        server_.route("/", {.body = test::page("news", "<a href=/older>older news</a>")});
        shown_.newsPage = server_.url("/");
        shown_.init();
        const auto said = askReader({"tree"});
        QVERIFY(said);
        const auto list = [](const QString &items) { return items.split(',', Qt::SkipEmptyParts); };
        for (const QString &line : said->split('\n', Qt::SkipEmptyParts))
            if (const QStringList f = line.split('\t'); f.size() == 6)
                tree_ << Node{f[0].toInt(), f[1], f[2], f[3], list(f[4]), list(f[5])};
        QVERIFY(!tree_.isEmpty());
    }

    // Every control by its name: the top strip left to right, both lists top to bottom, then the
    // information top to bottom.
    void everyControlIsReadInReadingOrder() {
        QStringList expected = QString("0 Kingpin Lumatic|1 Lumatic v1.0 (For Kingpin)|1 Help "
                                       "and About|1 News|1 Close Everything|1 Lumatic")
                                   .split('|');
        for (int entry = 1; entry <= styleCount; ++entry) {
            if (entry == 11)
                expected << "1 Lumatic Continued";
            expected << "2 " + test::q(styleEntry(entry).caption);
        }
        expected << QString("1 Style Information and Uses|2 style name|2 strings abc... a=dark, "
                            "m=normal, z=bright|2 Position|2 uses|2 Preview")
                        .split('|');
        QStringList read;
        for (const Node &n : tree_)
            read << QString::number(n.depth) + ' ' + n.name;
        QCOMPARE(read, expected);
        for (const Node &n : tree_)
            QVERIFY2(!n.states.contains("focusable"), qPrintable(n.name));
    }

    void controlsSayWhatTheyAre_data() {
        const QStringList readOnly = {"read-only", "enabled"}, press = {"Press"};
        const ControlRow rows[] = {
            {"list entry", "5 - Gentle Pulse", "", readOnly, press},
            {"right-hand list entry", "11 - Black Fade Pulse", "", readOnly, press},
            {"position box", "Position", "", {"read-only"}, {}},
            {"swatch", "Preview", "No level", {"enabled"}, {}},
            {"help", "Help and About", "Help and About Lumatic v1.0", {"enabled"}, press}};
        test::addRows(rows);
    }
    void controlsSayWhatTheyAre() {
        QFETCH(ControlRow, row);
        const auto found = std::ranges::find(tree_, row.name, &Node::name);
        QVERIFY(found != tree_.end());
        QCOMPARE(found->description, row.description);
        QCOMPARE(found->states, row.states);
        QCOMPARE(found->actions, row.actions);
    }

    // A screen reader reads every window of the program, hidden controls and the browser
    // included, in each state the windows go through, and the program answers still.
    void everyStateIsReadWhole_data() {
        const char *news = "Latest news and check for recent upgrades";
        const StateRow rows[] = {{"main", "", "Kingpin Lumatic"},
                                 {"help", "help", "Help and About"},
                                 {"news asking", "news", "Message"},
                                 {"news browsing", "news Command1", news},
                                 {"after Refresh", "news Command1 Command3", news},
                                 {"after the renderer died", "news Command1 kill", news},
                                 {"after Close", "news Command1 Command4", "Kingpin Lumatic"}};
        test::addRows(rows);
    }
    void everyStateIsReadWhole() {
        QFETCH(StateRow, row);
        play(row.steps);
        if (QTest::currentTestFailed())
            return;
        const auto said = askReader({"tree"}, "*");
        QVERIFY2(said, "the whole tree could not be read in time");
        QVERIFY2(said->contains('\t' + QString(row.window) + '\t'), qPrintable(*said));
        // Still answering: a voice command or a screen reader's press of a list entry selects
        // it as a click does.
        QVERIFY(askReader({"do", "7 - Candle 2", "Press"}));
        QTRY_COMPARE(windows().clocks().runningClock(), 7);
        QCOMPARE(shown_.control<QLabel>("style")->text(), "7 - Candle 2");
        QTRY_VERIFY(shown_.control<QLineEdit>("stylerun")->text().endsWith("/28"));
        windows().clocks().stopAll();
    }
};

LUMATIC_TEST_MAIN(TestAssistiveTools)
#include "test_assistive_tools.moc"

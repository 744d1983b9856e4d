#include "app/window_registry.h"
#include "lumatic_test.h"
#include "toolkit/controls.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

using namespace lumatic;
using lumatic::test::control;

// The main window as a screen reader or voice control finds it: over the accessibility bus,
// read by a separate process as such tools do.

namespace {

struct Node {
    int depth;
    QString role, name, description;
    QStringList states, actions;
};

// Asks the reader, which walks this process's windows while this one goes on answering; false
// when it fails.
bool askReader(const QStringList &arguments, QString *said = nullptr) {
    QProcess reader;
    reader.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QSignalSpy finished(&reader, &QProcess::finished);
    reader.start("/usr/bin/python3",
                 QStringList{LUMATIC_READER, QString::number(QCoreApplication::applicationPid()),
                             "Kingpin Lumatic"} +
                     arguments);
    if (!finished.wait(30000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0)
        return false;
    if (said)
        *said = QString::fromUtf8(reader.readAllStandardOutput());
    return true;
}

QList<Node> readTree() {
    QList<Node> nodes;
    QString said;
    askReader({"tree"}, &said);
    for (const QString &line : said.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split('\t');
        if (fields.size() == 6)
            nodes << Node{fields[0].toInt(),
                          fields[1],
                          fields[2],
                          fields[3],
                          fields[4].split(',', Qt::SkipEmptyParts),
                          fields[5].split(',', Qt::SkipEmptyParts)};
    }
    return nodes;
}

} // namespace

class TestAssistiveTools : public QObject {
    Q_OBJECT

    WindowRegistry windows_{nullptr, nullptr};
    QList<Node> tree_;

    const Node *node(const QString &name) const {
        for (const Node &n : tree_)
            if (n.name == name)
                return &n;
        return nullptr;
    }

private slots:
    void initTestCase() {
        windows_.mainWindow().showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&windows_.mainWindow()));
        tree_ = readTree();
        QVERIFY(!tree_.isEmpty());
    }

    // Top strip left to right, both lists top to bottom, then the information top to bottom.
    void everyControlIsReadInReadingOrder() {
        QStringList expected = {"0 Kingpin Lumatic",  "1 Lumatic v1.0 (For Kingpin)",
                                "1 Help and About",   "1 News",
                                "1 Close Everything", "1 Lumatic"};
        for (int entry = 1; entry <= styleCount; ++entry) {
            if (entry == 11)
                expected << "1 Lumatic Continued";
            expected << "2 " + test::q(styleEntry(entry).caption);
        }
        expected << "1 Style Information and Uses"
                 << "2 style name"
                 << "2 strings abc... a=dark, m=normal, z=bright"
                 << "2 Position"
                 << "2 uses"
                 << "2 Preview";
        QStringList read;
        for (const Node &n : tree_)
            read << QString::number(n.depth) + ' ' + n.name;
        QCOMPARE(read, expected);
        for (const Node &n : tree_)
            QVERIFY2(!n.states.contains("focusable"), qPrintable(n.name));
    }

    void controlsSayWhatTheyAre_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QStringList>("states");
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("list entry")
            << "5 - Gentle Pulse"
            << "" << QStringList{"read-only", "enabled"} << QStringList{"Press"};
        QTest::newRow("right-hand list entry")
            << "11 - Black Fade Pulse"
            << "" << QStringList{"read-only", "enabled"} << QStringList{"Press"};
        QTest::newRow("position box") << "Position"
                                      << "" << QStringList{"read-only"} << QStringList{};
        QTest::newRow("swatch") << "Preview"
                                << "No level" << QStringList{"enabled"} << QStringList{};
        QTest::newRow("help") << "Help and About"
                              << "Help and About Lumatic v1.0" << QStringList{"enabled"}
                              << QStringList{"Press"};
    }
    void controlsSayWhatTheyAre() {
        QFETCH(QString, name);
        const Node *found = node(name);
        QVERIFY(found);
        QTEST(found->description, "description");
        QTEST(found->states, "states");
        QTEST(found->actions, "actions");
    }

    // A voice command or a screen reader's action selects an entry as a click does.
    void pressingAnEntryPlaysIt() {
        MainWindow &main = windows_.mainWindow();
        QVERIFY(askReader({"do", "5 - Gentle Pulse", "Press"}));
        QCOMPARE(windows_.clocks().runningClock(), 5);
        QCOMPARE(control<QLabel>(main, "style")->text(), test::q(styleEntry(5).displayName));
        QTRY_VERIFY(control<QLineEdit>(main, "stylerun")->text().endsWith("/33"));
    }
};

LUMATIC_TEST_MAIN(TestAssistiveTools)
#include "test_assistive_tools.moc"

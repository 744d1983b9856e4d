#pragma once

// What the tests share, from data tables and programs they start to the windows' common checks.

#include "control.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTest>
#include <string_view>
#include <unistd.h>

#ifdef QT_WIDGETS_LIB
#include "toolkit/application.h"
#include "toolkit/colours.h"
#include "windows/news/engine_process.h"

#include <QApplication>
#include <QLabel>

#define LUMATIC_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char **argv) {                                                              \
        return lumatic::test::runTests<TestClass>(argc, argv);                                     \
    }
#endif

namespace lumatic::test {

// What the position box shows before any selection.
inline constexpr const char *initialBox = "Number of strings and which is being previewed";

// The catalogue's 7-bit texts as the windows show them.
inline QString q(std::string_view text) {
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// Data tables as one column, "row", of structs whose first member, tag, names the row; the test
// reads its row with QFETCH(Row, row).
template <class Row, std::size_t N> void addRows(const Row (&rows)[N]) {
    QTest::addColumn<Row>("row");
    for (const Row &row : rows)
        QTest::newRow(row.tag) << row;
}

// Everything in a folder, hidden entries included.
inline QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

inline bool webEngineMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("WebEngine");
}

// A page whose single link or click target fills the view, so that a click in the middle of the
// view hits it. It fetches /painted after its second frame, from when on it takes input.
inline QByteArray page(const QByteArray &title, const QByteArray &body,
                       const QByteArray &head = {}) {
    return "<!doctype html><html><head><title>" + title + "</title>" + head +
           "<style>html,body,a,div{margin:0;display:block;width:100%;height:100%}</style></head>"
           "<body onload=\"requestAnimationFrame(() => requestAnimationFrame(() => "
           "fetch('/painted')))\">" +
           body + "</body></html>";
}

// Runs a tool to its end and gives its exit code (-1 when it crashed or hung); what it printed
// goes to *output, and what it complained of too unless the channels are kept apart.
inline int
runTool(const QString &program, const QStringList &arguments, QString *output,
        QProcess::ProcessChannelMode channels = QProcess::MergedChannels,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(channels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return -1;
    *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// Starts a program with its environment changed: "NAME=value" sets a variable, "NAME" alone
// removes it; false when it could not start.
inline bool start(QProcess &process, const QString &program, const QStringList &arguments,
                  const QStringList &settings = {}) {
    auto environment = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : settings)
        if (setting.contains('='))
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
        else
            environment.remove(setting);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    return process.waitForStarted();
}

// The program's main window on the X display, once it is mapped; empty until then.
inline QString shownOnX(const QProcess &program) {
    QString said;
    runTool("xdotool",
            {"search", "--all", "--onlyvisible", "--pid", QString::number(program.processId()),
             "--name", "^Kingpin Lumatic$"},
            &said, QProcess::SeparateChannels);
    return said.trimmed();
}

#ifdef QT_WIDGETS_LIB
// A test's main(): the process and the application as the program sets them up (so that no
// test starts a session bus either), then the test class.
template <class TestClass> int runTests(int argc, char **argv) {
    if (geteuid() == 0) // Chromium's sandbox cannot start as root
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    prepareEngineProcess();
    QApplication app(argc, argv);
    setUpApplication(app);
    TestClass test;
    return QTest::qExec(&test, argc, argv);
}

// Where a window's control lies: the container that holds it and its place there. Each check
// fails the test, not the run, so it comes last in a test function.
inline void checkPlace(const QWidget &window, const QString &name, const QString &container,
                       const QRect &place) {
    const auto *widget = window.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), container);
    QCOMPARE(widget->geometry(), place);
}

// A label's text and colour on the window's background, in Arial's stand-in at 9 points or,
// when arial is false, in the application's font.
inline void checkLabel(const QWidget &window, const QString &name, const QString &text,
                       std::uint32_t colour, bool arial = true) {
    const auto *label = window.findChild<QLabel *>(name);
    QVERIFY2(label, qPrintable(name));
    QCOMPARE(label->text(), text);
    QCOMPARE(label->palette().color(QPalette::WindowText), colourFromValue(colour));
    QVERIFY(!label->autoFillBackground());
    if (!arial) {
        QCOMPARE(label->font(), QApplication::font());
        return;
    }
    const QFontInfo font(label->font());
    QCOMPARE(font.family(), "Liberation Sans");
    QCOMPARE(font.pointSizeF(), 9.0);
    QVERIFY(!font.bold() && !font.italic() && !font.underline());
}

// A window's name, title and fixed size, on the windows' dark background.
inline void checkWindow(const QWidget &window, const char *name, const char *title, QSize size) {
    QCOMPARE(window.objectName(), name);
    QCOMPARE(window.windowTitle(), title);
    QCOMPARE(window.size(), size);
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.palette().color(QPalette::Window), colourFromValue(0x1D1D1D));
}
#endif

} // namespace lumatic::test

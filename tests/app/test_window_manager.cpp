#include "app/window_registry.h"
#include "lumatic_test.h"
#include "windows/help/help_window.h"
#include "windows/news/news_window.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

using namespace lumatic;

// The windows under a real window manager (openbox), which frames, places and minimises them:
// what the manager is told and what it makes of it, read back from the X server.

namespace {

QString run(const QString &program, const QStringList &arguments) {
    QString said;
    test::runTool(program, arguments, &said, QProcess::SeparateChannels);
    return said;
}

// One property of a window as the X server holds it, in xprop's words.
QString xProperty(WId window, const char *name) {
    return run("xprop", {"-id", QString::number(window), name});
}

QSize sizeHint(const QString &hints, const char *which) {
    const QRegularExpression pattern(
        QString("program specified %1 size: (\\d+) by (\\d+)").arg(QLatin1String(which)));
    const auto match = pattern.match(hints);
    return match.hasMatch() ? QSize(match.captured(1).toInt(), match.captured(2).toInt()) : QSize();
}

bool hidden(const Form &window) {
    return xProperty(window.winId(), "_NET_WM_STATE").contains("_NET_WM_STATE_HIDDEN");
}

bool active(const Form &window) {
    const QString said = run("xprop", {"-root", "_NET_ACTIVE_WINDOW"});
    return said.section('#', 1).trimmed().toULongLong(nullptr, 16) == window.winId();
}

// The manager has framed the window: its frame is known and lies around the client area.
bool framed(const Form &window) {
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

QRect availableArea() {
    return QGuiApplication::primaryScreen()->availableGeometry();
}

enum Which { Main, Help, News };

Form &open(WindowRegistry &windows, Which which) {
    MainWindow &main = windows.mainWindow();
    main.showNonModal();
    if (which == Help)
        main.Image1_Click();
    if (which == News)
        main.Image2_Click();
    return which == Main ? main : which == Help ? windows.helpWindow() : windows.newsWindow();
}

std::unique_ptr<WindowRegistry> makeWindows() {
    // No browser: growing the news window does not need one.
    return std::make_unique<WindowRegistry>(
        [] { return new HelpWindow; },
        [] {
            return new NewsWindow(QUrl("http://127.0.0.1:9/"), [](QWidget *) { return nullptr; });
        });
}

} // namespace

class TestWindowManager : public QObject {
    Q_OBJECT

    static void addWindowRows() {
        QTest::addColumn<int>("which");
        QTest::newRow("main") << int(Main);
        QTest::newRow("help") << int(Help);
        QTest::newRow("news") << int(News);
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), "xcb");
        QVERIFY(run("wmctrl", {"-m"}).contains("Openbox"));
    }

    // Centred, frame and all; on a screen smaller than the frame (the _small_screen run) its top
    // left corner stays on the screen, and with it the title bar and its buttons.
    void windowsOpenCentredFrameAndAll_data() { addWindowRows(); }
    void windowsOpenCentredFrameAndAll() {
        QFETCH(int, which);
        auto windows = makeWindows();
        Form &window = open(*windows, Which(which));
        QTRY_VERIFY(framed(window));
        const QRect area = availableArea();
        const auto placed = [&](int frameStart, int frameLength, int areaStart, int areaLength) {
            return frameLength > areaLength
                       ? frameStart == areaStart
                       : std::abs(2 * frameStart + frameLength - 2 * areaStart - areaLength) <= 4;
        };
        QTRY_VERIFY2(placed(window.frameGeometry().x(), window.frameGeometry().width(), area.x(),
                            area.width()) &&
                         placed(window.frameGeometry().y(), window.frameGeometry().height(),
                                area.y(), area.height()),
                     qPrintable(QString("frame at %1,%2 in %3x%4 of %5x%6")
                                    .arg(window.frameGeometry().x())
                                    .arg(window.frameGeometry().y())
                                    .arg(window.frameGeometry().width())
                                    .arg(window.frameGeometry().height())
                                    .arg(area.width())
                                    .arg(area.height())));
    }

    // The manager offers no way to resize or maximise a window of fixed size.
    void windowsHaveAFixedSize_data() { addWindowRows(); }
    void windowsHaveAFixedSize() {
        QFETCH(int, which);
        auto windows = makeWindows();
        Form &window = open(*windows, Which(which));
        QTRY_VERIFY(framed(window));
        const QString hints = xProperty(window.winId(), "WM_NORMAL_HINTS");
        QCOMPARE(sizeHint(hints, "minimum"), window.size());
        QCOMPARE(sizeHint(hints, "maximum"), window.size());
        const QString actions = xProperty(window.winId(), "_NET_WM_ALLOWED_ACTIONS");
        QVERIFY2(actions.contains("_NET_WM_ACTION_MINIMIZE"), qPrintable(actions));
        QVERIFY2(!actions.contains("MAXIMIZE"), qPrintable(actions));
        QVERIFY2(!actions.contains("_NET_WM_ACTION_RESIZE"), qPrintable(actions));
    }

    void minimisedWindowsComeBackWhenShownAgain_data() {
        QTest::addColumn<int>("which");
        QTest::newRow("help") << int(Help);
        QTest::newRow("news") << int(News);
    }
    void minimisedWindowsComeBackWhenShownAgain() {
        QFETCH(int, which);
        auto windows = makeWindows();
        Form &window = open(*windows, Which(which));
        QTRY_VERIFY(framed(window));
        window.showMinimized();
        QTRY_VERIFY(hidden(window));
        open(*windows, Which(which));
        QTRY_VERIFY(!hidden(window));
        QTRY_VERIFY(active(window));
        QTRY_VERIFY(!window.isMinimized());
    }

    // Okay grows the news window from its corner, as long as the whole frame stays on the
    // screen; otherwise it moves up or left just enough.
    void theNewsWindowGrowsOnTheScreen_data() {
        QTest::addColumn<QPoint>("corner"); // from the available area's bottom right if negative
        QTest::newRow("room") << QPoint(100, 50);
        QTest::newRow("near the bottom") << QPoint(100, -150);
        QTest::newRow("near the right") << QPoint(-310, 50);
        QTest::newRow("near both") << QPoint(-310, -150);
    }
    void theNewsWindowGrowsOnTheScreen() {
        QFETCH(QPoint, corner);
        const QRect area = availableArea();
        corner = QPoint(corner.x() < 0 ? area.right() + corner.x() : corner.x(),
                        corner.y() < 0 ? area.bottom() + corner.y() : corner.y());
        auto windows = makeWindows();
        auto &news = static_cast<NewsWindow &>(open(*windows, News));
        QTRY_VERIFY(framed(news));
        news.move(corner);
        QTRY_COMPARE(news.frameGeometry().topLeft(), corner);
        news.Command1_Click();
        QTRY_COMPARE(news.size(), QSize(328, 371));
        const QSize frame = news.frameGeometry().size();
        const QPoint expected(std::min(corner.x(), area.right() + 1 - frame.width()),
                              std::min(corner.y(), area.bottom() + 1 - frame.height()));
        QTRY_COMPARE(news.frameGeometry().topLeft(), expected);
        QVERIFY(area.contains(news.frameGeometry()));
    }

    // The program itself: the manager knows it by the desktop entry's class, and closing its
    // main window through the manager ends it.
    void theProgramEndsWhenTheManagerClosesIt() {
        QProcess program;
        program.start(LUMATIC_PROGRAM, {});
        QVERIFY(program.waitForStarted());
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(window = run("xdotool", {"search", "--name", "^Kingpin Lumatic$"}).trimmed())
                 .isEmpty(),
            10000);
        QFile entry(LUMATIC_DESKTOP_ENTRY);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QString wmClass =
            QRegularExpression("^StartupWMClass=(.*)$", QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(entry.readAll()))
                .captured(1);
        QVERIFY(!wmClass.isEmpty());
        QCOMPARE(xProperty(window.toULongLong(), "WM_CLASS").section('=', 1).trimmed(),
                 QString("\"lumatic\", \"%1\"").arg(wmClass));
        run("wmctrl", {"-i", "-c", window});
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

LUMATIC_TEST_MAIN(TestWindowManager)
#include "test_window_manager.moc"

#include "lumatic_test.h"
#include "shown_main_window.h"

#include <QScreen>
#include <QSettings>

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

bool hidden(const Form &window) {
    return xProperty(window.winId(), "_NET_WM_STATE").contains("_NET_WM_STATE_HIDDEN");
}

// The manager has framed the window: its frame is known and lies around the client area.
bool framed(const Form &window) {
    return window.isVisible() && window.frameGeometry() != window.geometry();
}

} // namespace

class TestWindowManager : public QObject {
    Q_OBJECT

    // No browser: growing the news window does not need one.
    test::ShownMainWindow shown_{[](QWidget *) { return nullptr; }};

    // The window as a user opens it.
    Form &open(const QString &which) {
        if (which == "help")
            shown_.main().Image1_Click();
        if (which == "news")
            shown_.main().Image2_Click();
        return which == "main"   ? shown_.main()
               : which == "help" ? shown_.registry().helpWindow()
                                 : shown_.registry().newsWindow();
    }

private slots:
    void initTestCase() {
        QCOMPARE(QGuiApplication::platformName(), "xcb");
        QVERIFY(run("wmctrl", {"-m"}).contains("Openbox"));
    }
    void init() { shown_.init(); }
    void cleanup() { shown_.cleanup(); }

    // Each window the manager frames: centred, frame and all (on a screen smaller than the frame,
    // the _small_screen run, its top left corner stays on the screen, and with it the title bar
    // and its buttons); of a fixed size that the manager offers no way to resize or maximise;
    // back when shown again after it was minimised.
    void framedWindows_data() {
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("which");
        for (const char *check : {"centred", "fixed", "shown again"})
            for (const char *which : {"main", "help", "news"})
                if (which != std::string_view("main") || check != std::string_view("shown again"))
                    QTest::addRow("%s %s", check, which) << QString(check) << QString(which);
    }
    void framedWindows() {
        QFETCH(QString, check);
        QFETCH(QString, which);
        Form &window = open(which);
        QTRY_VERIFY(framed(window));
        if (check == "centred") {
            const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
            // Along each axis, centred to within the manager's rounding, or at the area's start.
            const auto placed = [](int start, int length, int areaStart, int areaLength) {
                const bool centred = std::abs(2 * start + length - 2 * areaStart - areaLength) <= 4;
                return length > areaLength ? areaStart
                       : centred           ? start
                                           : areaStart + (areaLength - length) / 2;
            };
            const auto expected = [&] {
                const QRect frame = window.frameGeometry();
                return QPoint(placed(frame.x(), frame.width(), area.x(), area.width()),
                              placed(frame.y(), frame.height(), area.y(), area.height()));
            };
            QTRY_COMPARE(window.frameGeometry().topLeft(), expected());
        } else if (check == "fixed") {
            const QString hints = xProperty(window.winId(), "WM_NORMAL_HINTS");
            const QString size =
                QString(" size: %1 by %2\n").arg(window.width()).arg(window.height());
            for (const char *bound : {"minimum", "maximum"})
                QVERIFY2(hints.contains(QString("program specified ") + bound + size),
                         qPrintable(hints));
            const QString actions = xProperty(window.winId(), "_NET_WM_ALLOWED_ACTIONS");
            QVERIFY2(actions.contains("_NET_WM_ACTION_MINIMIZE"), qPrintable(actions));
            QVERIFY2(!actions.contains("MAXIMIZE"), qPrintable(actions));
            QVERIFY2(!actions.contains("_NET_WM_ACTION_RESIZE"), qPrintable(actions));
        } else {
            window.showMinimized();
            QTRY_VERIFY(hidden(window));
            open(which);
            QTRY_VERIFY(!hidden(window));
            QTRY_COMPARE(run("xprop", {"-root", "_NET_ACTIVE_WINDOW"})
                             .section('#', 1)
                             .trimmed()
                             .toULongLong(nullptr, 16),
                         window.winId());
            QTRY_VERIFY(!window.isMinimized());
        }
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
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        corner = QPoint(corner.x() < 0 ? area.right() + corner.x() : corner.x(),
                        corner.y() < 0 ? area.bottom() + corner.y() : corner.y());
        auto &news = static_cast<NewsWindow &>(open("news"));
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
        QVERIFY(test::start(program, LUMATIC_PROGRAM, {}));
        QString window;
        QTRY_VERIFY_WITH_TIMEOUT(!(window = test::shownOnX(program)).isEmpty(), 10000);
        const QString wmClass = QSettings(LUMATIC_DESKTOP_ENTRY, QSettings::IniFormat)
                                    .value("Desktop Entry/StartupWMClass")
                                    .toString();
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

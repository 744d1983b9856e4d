#include "app/run.h"
#include "app/window_registry.h"
#include "web_harness.h"
#include "windows/help/help_window.h"
#include "windows/news/error_filter.h"
#include "windows/news/news_window.h"

#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumatic;
using namespace lumatic::test;

namespace {

struct Place {
    const char *tag, *name;
    QRect pixels;
    bool browsing = false;      // shown once Okay is pressed, in place of the others
    const char *text = nullptr; // a button's is its row's tag
};
const Place places[] = {
    {"Okay", "Command1", QRect(64, 64, 73, 21)},
    {"Cancel", "Command2", QRect(152, 64, 73, 21)},
    {"notice", "Label1", QRect(24, 8, 241, 49), false,
     "Latest news and checking for patches requires a valid internet connection. Hit okay if you "
     "are connected otherwise cancel"},
    {"web", "web", QRect(8, 8, 313, 329), true},
    {"Refresh", "Command3", QRect(0, 344, 137, 25), true},
    {"Close", "Command4", QRect(240, 344, 89, 25), true}};

// The page Okay opens (none: one where nothing listens), the link then followed on it, and
// what the linked page requests once it is shown.
struct Visit {
    const char *tag, *news, *link, *thenRequested;
};

// How the program is ended, whether it has a runtime or temporary folder that can hold the
// engine's, and whether another instance was "killed" outright before it or is "live" beside it.
struct Ending {
    const char *tag;
    int signal;
    bool folders;
    QByteArray before;
};

// An engine that only notes each address it is asked for, and its own factory; the browser owns it.
struct AddressBook final : BrowserFactory, BrowserEngine {
    QList<QUrl> asked;
    QWidget *view = nullptr;
    BrowserEngine *create(QWidget *parent, QObject *, BrowserEvents &) override {
        view = new QWidget(parent);
        return this;
    }
    QWidget *widget() override { return view; }
    void navigate(const QUrl &url) override { asked << url; }
    void reloadFromSource() override { asked << QUrl(QStringLiteral("reload:")); }
    QUrl url() const override { return asked.value(0); }
};

} // namespace

class TestNewsWindow : public QObject {
    Q_OBJECT

    HttpServer server_, untrusted_{HttpServer::Https};
    QUrl nowhere_;

    static Browser *browserOf(const NewsWindow &window) { return window.findChild<Browser *>(); }
    // The line the browser area shows in place of a page, once there has been one.
    static QLabel *noticeOf(const NewsWindow &window) {
        return window.findChild<QLabel *>("notice");
    }
    static void click(const QWidget &window, const char *name) {
        QTest::mouseClick(control(window, name), Qt::LeftButton);
    }

    static std::unique_ptr<WindowRegistry>
    makeWindows(const QUrl &address, const NewsWindow::BrowserMaker &maker = engine) {
        return std::make_unique<WindowRegistry>(
            [] { return new HelpWindow; },
            [address, maker] { return new NewsWindow(address, maker); });
    }
    // The news window shown as the main window shows it; a window never active fails later.
    static NewsWindow &shownNews(WindowRegistry &windows) {
        windows.showNews();
        auto &window = static_cast<NewsWindow &>(windows.newsWindow());
        (void)QTest::qWaitForWindowActive(&window);
        return window;
    }

    // The window asking first, or browsing: its title, its size and the controls it shows.
    static void checkShows(NewsWindow &window, bool browsing) {
        QCOMPARE(window.windowTitle(),
                 browsing ? "Latest news and check for recent upgrades" : "Message");
        QCOMPARE(window.size(), browsing ? QSize(328, 371) : QSize(294, 99));
        for (const Place &place : places)
            QVERIFY2(control(window, place.name)->isVisible() == (place.browsing == browsing),
                     place.name);
        QCOMPARE(browserOf(window) != nullptr, browsing);
    }

    // Whether the load the button starts succeeded; nothing if no load ended.
    static QVariant loadAfter(NewsWindow &window, const char *button, int timeout = 15000) {
        click(window, button);
        QSignalSpy finished(browserOf(window), &Browser::loadFinished);
        return finished.wait(timeout) ? finished.first().first() : QVariant();
    }

    // Runs the current test function again in a child process with the variable set.
    static void checkPassesInChild(const QString &variable, const QString &value) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(variable, value);
        const QString function = QTest::currentTestFunction();
        QString said;
        QVERIFY2(runTool(QCoreApplication::applicationFilePath(), {function}, &said,
                         QProcess::MergedChannels, environment) == 0 &&
                     said.contains("PASS   : TestNewsWindow::" + function + "()"),
                 qPrintable(said));
    }

    // The program in a process group of its own, with Okay pressed and, where the engine can
    // start, its processes running and the page's load ended; null if it did not get that far.
    static std::unique_ptr<QProcess> startProgram(const QStringList &settings,
                                                  const QString &folder = {}, bool engine = true) {
        auto program = std::make_unique<QProcess>();
        program->setWorkingDirectory(folder);
        program->setChildProcessModifier([] { ::setpgid(0, 0); });
        QByteArray said;
        const auto ready = [&] {
            return (said += program->readAllStandardOutput()).contains(engine ? "loaded" : "okay");
        };
        if (!start(*program, QCoreApplication::applicationFilePath(), {}, settings) ||
            !QTest::qWaitFor(ready, 20000) || (engine && !engineProcesses(program->processId())))
            return nullptr;
        return program;
    }

    // The signal must end the program as Close everything does, within a second, and the
    // engine's processes with it. A terminal signals the whole group; kill, the program alone.
    static bool endsCleanly(QProcess &program, int signal) {
        const auto group = pid_t(program.processId());
        ::kill(signal == SIGTERM ? group : -group, signal);
        return program.waitForFinished(1000) && program.exitStatus() == QProcess::NormalExit &&
               program.exitCode() == 0 &&
               QTest::qWaitFor([group] { return ::kill(-group, 0) != 0 && errno == ESRCH; }, 5000);
    }

private slots:
    void initTestCase() {
        QVERIFY2(untrusted_.listen(), qPrintable(untrusted_.error()));
        QVERIFY(server_.listen());
        server_.route("/", {.body = page("news", "<a href=/older>older news</a>")});
        server_.route("/older", {.body = page("older", "older")});
        server_.route("/to-stuck", {.body = page("news", "<a href=/stuck>stuck</a>")});
        // Says so, and then never returns: the request is synchronous so that it comes only
        // just before the loop.
        server_.route("/stuck", {.body = "<!doctype html><title>stuck</title><body onload=\""
                                         "setTimeout(() => { const r = new XMLHttpRequest(); "
                                         "r.open('GET', '/looping', false); r.send(); "
                                         "for (;;) {} })\">stuck</body>"});
        server_.route("/looping", {.body = "", .contentType = "text/plain"});
        HttpServer closed;
        QVERIFY(closed.listen());
        nowhere_ = closed.url("/");
    }

    // Runs first: before Okay nothing may touch the network or the engine.
    void cancelGoesNowhere() {
        auto windows = makeWindows(server_.url("/"));
        NewsWindow &window = shownNews(*windows);
        checkShows(window, false);
        QPointer<NewsWindow> gone = &window;
        click(window, "Command2");
        QVERIFY(!windows->existingNewsWindow());
        QTRY_VERIFY(gone.isNull());
        QVERIFY(!webEngineMapped());
        QCOMPARE(server_.hits("/"), 0);
    }

    void confirmingLayout_data() { addRows(places); }
    void confirmingLayout() {
        QFETCH(Place, row);
        NewsWindow window(server_.url("/"), engine);
        QCOMPARE(window.objectName(), "Form4");
        QCOMPARE(window.palette().color(QPalette::Window), colourFromValue(0x404040));
        QVERIFY(!window.windowIcon().isNull());
        QWidget *widget = control(window, row.name);
        QCOMPARE(widget->geometry(), row.pixels);
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QCOMPARE(button->text(), row.tag);
            QCOMPARE(button->palette().color(QPalette::Button), colourFromValue(0x808080));
            QCOMPARE(QFontInfo(button->font()).family(), "Liberation Sans");
            QCOMPARE(button->font().pointSizeF(), 9.0);
            QVERIFY(!button->isDefault());
        } else if (qobject_cast<QLabel *>(widget)) {
            checkLabel(window, row.name, row.text, 0xC0C0C0);
        }
    }

    void okayHoldsTheFocusAndKeysActOnlyThroughIt() {
        auto windows = makeWindows(nowhere_, NewsWindow::engineBrowser);
        NewsWindow &window = shownNews(*windows);
        QCOMPARE(QApplication::focusWidget(), control(window, "Command1"));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(windows->existingNewsWindow());
        checkShows(window, false);
        // From the tests' folder the program finds no module: the browser area says so, standard
        // error says why on one line, and the window stays usable.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^The web browser could not be started: "
                                                "[^\\n]*lumatic-web.so: not found; "
                                                "[^\\n]*lumatic-web.so: not found$"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(window.windowTitle(), "Latest news and check for recent upgrades");
        QVERIFY(control(window, "web")->findChild<QLabel *>("unavailable"));
        click(window, "Command3");
        click(window, "Command4");
        QVERIFY(!windows->existingNewsWindow());
    }

    // A flat face in the button's grey with a raised edge; the focus a dotted rectangle, no tint.
    void buttonsAreFlatGreyWithADottedFocus_data() {
        QTest::addColumn<bool>("focus");
        QTest::newRow("Okay, with the focus") << true;
        QTest::newRow("Cancel") << false;
    }
    void buttonsAreFlatGreyWithADottedFocus() {
        QFETCH(bool, focus);
        auto windows = makeWindows(nowhere_);
        QWidget *button = control(shownNews(*windows), focus ? "Command1" : "Command2");
        QCOMPARE(button->hasFocus(), focus);
        const QImage image = button->grab().toImage().scaled(button->size());
        const int right = button->width() - 1, bottom = button->height() - 1;
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(right, bottom), QColor(Qt::black));
        const QColor face = colourFromValue(0x808080);
        for (const QPoint at : {QPoint(right / 2, 2), QPoint(6, bottom / 2), QPoint(right - 6, 2)})
            QCOMPARE(image.pixelColor(at), face);
        // Every other pixel of the focus rectangle's top line is dark.
        int dark = 0;
        for (int x = 4; x < right - 4; ++x)
            dark += image.pixelColor(x, 3) != face;
        QCOMPARE(dark, focus ? (right - 8) / 2 : 0);
    }

    // A user's whole session against a TLS server, as env/as-user runs it: unprivileged with the
    // engine's sandbox on; in a chroot, where the kernel refuses the sandbox; or as root (outside
    // the wrapper, in a child) without QTWEBENGINE_DISABLE_SANDBOX, which the program never sets.
    // Where the engine cannot start, the browser area says why, and nothing ends or browses
    // unsandboxed; the wrapper then finds HOME empty, no engine process and nothing on stderr.
    void aUsersSession() {
        const QByteArray mode = qgetenv("LUMATIC_AS_USER");
        if (mode.isEmpty() && geteuid() != 0)
            QSKIP("runs as a user, under tests/env/as-user");
        if (mode.isEmpty())
            return checkPassesInChild("LUMATIC_AS_USER", "root");
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX"); // which main() set for root
        // Else the engine would log that it cannot verify the certificate.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                                                  " --ignore-certificate-errors --log-level=3");
        HttpServer tls(HttpServer::Https);
        QVERIFY2(tls.listen(), qPrintable(tls.error()));
        tls.route("/", {.body = page("news", "news")});
        const auto windows = makeWindows(tls.url("/"));
        MainWindow &main = windows->mainWindow();
        main.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        click(main, "Image1");
        QVERIFY(windows->existingHelpWindow() && windows->existingHelpWindow()->isVisible());
        click(main, "Image2");
        NewsWindow &window = shownNews(*windows);
        const QHash<QByteArray, QString> refused = {
            {"root", "The web browser does not run as root without QTWEBENGINE_DISABLE_SANDBOX=1."},
            {"no namespaces",
             "The web browser needs user namespaces for its sandbox, and this system refuses "
             "them; allow them, or set QTWEBENGINE_DISABLE_SANDBOX=1 to browse without the "
             "sandbox."}};
        click(window, "Command1");
        if (refused.contains(mode)) {
            QLabel *notice = noticeOf(window);
            QVERIFY(notice && notice->isVisible());
            QCOMPARE(notice->text(), refused[mode]);
            QCOMPARE(notice->palette().color(QPalette::WindowText), colourFromValue(0xC0C0C0));
            click(window, "Command3");
            QVERIFY(notice->isVisible());
            QCOMPARE(engineProcesses(::getpid()), 0);
            QCOMPARE(tls.hits("/"), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(tls.hits("/painted"), 1, 15000);
            QVERIFY(engineProcesses(::getpid()) > 0);
            click(window, "Command3");
            // Refresh loads and then reloads past the cache: the page may paint once or twice.
            QTRY_VERIFY_WITH_TIMEOUT(tls.hits("/painted") >= 2, 15000);
            QVERIFY(tls.hits("/") > 1);
        }
        click(window, "Command4");
        QVERIFY(!windows->existingNewsWindow());
        QSignalSpy ended(windows.get(), &WindowRegistry::ended);
        click(main, "Image3");
        QCOMPARE(ended.count(), 1);
        QVERIFY(!windows->anyOpen());
    }

    // The filter drops only the engine's known complaint, from the program and its children
    // alike. It can start once a process, so this runs in a child; it ends once standard error
    // is back, for the child was its last writer.
    void standardErrorLosesOnlyTheEnginesKnownNoise() {
        if (!qEnvironmentVariableIsSet("LUMATIC_TEST_CHILD"))
            return checkPassesInChild("LUMATIC_TEST_CHILD", "1");
        const QByteArray noise =
            "Fontconfig error: Cannot load default config file: No such file: (null)";
        const QByteArray nearMiss = QByteArray(noise).replace("(null)", "/etc/fonts.conf");
        QTemporaryFile file;
        const int before = ::dup(STDERR_FILENO);
        QVERIFY(file.open() && before >= 0);
        const auto say = [](const QByteArray &text) {
            return ::write(STDERR_FILENO, text.constData(), size_t(text.size())) == text.size();
        };
        const bool said = ::dup2(file.handle(), STDERR_FILENO) == STDERR_FILENO &&
                          say(noise + "\nbefore\n") && filterStandardError() &&
                          say(noise + "\nafter\n" + nearMiss + "\n") &&
                          std::system("echo '" + noise + "' >&2; echo 'from a child' >&2") == 0;
        ::dup2(before, STDERR_FILENO);
        ::close(before);
        QVERIFY(said && QTest::qWaitFor([] { return ::waitpid(-1, nullptr, WNOHANG) > 0; }));
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), noise + "\nbefore\nafter\n" + nearMiss + "\nfrom a child\n");
    }

    void browsingTheNews_data() {
        const Visit rows[] = {
            {"the news alone", "/", nullptr, nullptr},
            {"an unreachable page", nullptr, nullptr, nullptr},
            {"to a plain page", "/", "/older", "/painted"},
            {"to a page stuck in a script loop", "/to-stuck", "/stuck", "/looping"},
            {"whose renderer then dies", "/", "/older", "/painted"}};
        addRows(rows);
    }
    // Okay grows the window where it stands. Whatever a linked page does, Refresh shows the news
    // again within seconds; an unreachable page leaves the window usable. Shown again it stays
    // as it is; closed and shown again, it asks first.
    void browsingTheNews() {
        QFETCH(Visit, row);
        const QUrl address = row.news ? server_.url(row.news) : nowhere_;
        auto windows = makeWindows(address);
        NewsWindow &window = shownNews(*windows);
        const QPoint corner = window.pos();
        const int before = server_.hits("/painted");
        QCOMPARE(loadAfter(window, "Command1"), QVariant(row.news != nullptr));
        checkShows(window, true);
        QCOMPARE(window.pos(), corner);
        Browser *browser = browserOf(window);
        QCOMPARE(browser->url(), address);
        QCOMPARE(browser->widget()->geometry(), QRect(QPoint(), control(window, "web")->size()));
        if (row.link) {
            QVERIFY(painted(server_, before));
            const int shown = server_.hits(row.thenRequested), linked = server_.hits(row.link);
            QVERIFY(clickUntil(browser, [&] { return server_.hits(row.link) > linked; }));
            QTRY_VERIFY_WITH_TIMEOUT(browser->url() == server_.url(row.link) &&
                                         server_.hits(row.thenRequested) > shown,
                                     10000);
        }
        if (QByteArray(row.tag).contains("renderer")) {
            QVERIFY(killRenderers(browser) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(noticeOf(window) && noticeOf(window)->isVisible(), 10000);
            QCOMPARE(noticeOf(window)->text(), stoppedWorking);
            QVERIFY(!browser->widget()->isVisible());
        }

        const int newsRequests = server_.hits(row.news), newsPainted = server_.hits("/painted");
        QCOMPARE(loadAfter(window, "Command3", 5000), QVariant(row.news != nullptr));
        if (row.news) {
            QCOMPARE(browser->url(), address);
            QVERIFY(server_.hits(row.news) > newsRequests);
            QVERIFY(painted(server_, newsPainted));
            QVERIFY(browser->widget()->isVisible());
            QVERIFY(!noticeOf(window) || !noticeOf(window)->isVisible());
        }
        QCOMPARE(&shownNews(*windows), &window);
        QCOMPARE(browserOf(window), browser);
        checkShows(window, true);
        click(window, "Command4");
        QVERIFY(!windows->existingNewsWindow());
        checkShows(shownNews(*windows), false);
    }

    void endsThroughItsOrdinaryExit_data() {
        const Ending rows[] = {{"Ctrl-C", SIGINT, true, ""},
                               {"closed terminal", SIGHUP, true, ""},
                               {"kill", SIGTERM, true, ""},
                               {"after one killed outright", SIGTERM, true, "killed"},
                               {"beside a live one", SIGTERM, true, "live"},
                               {"no usable runtime or temporary folder", SIGTERM, false, ""}};
        addRows(rows);
    }
    // The engine's private folder goes however the program ends; one a program killed outright
    // left goes with the next Okay, a live program's stays.
    void endsThroughItsOrdinaryExit() {
        QFETCH(Ending, row);
        QTemporaryDir scratch;
        const QString runtime = scratch.filePath("runtime"), here = scratch.filePath("here");
        QVERIFY(scratch.isValid() &&
                QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
                QDir().mkdir(here));
        // A page whose certificate the engine refuses: its failed handshake prints nothing.
        QStringList settings = {"LUMATIC_TEST_PROGRAM=" + untrusted_.url("/").toString(),
                                "XDG_RUNTIME_DIR=" + runtime, "TMPDIR=" + scratch.path()};
        if (!row.folders) {
            // A runtime folder of someone else's, and a temporary folder that is not there.
            QVERIFY(geteuid() != 0 ||
                    ::chown(QFile::encodeName(runtime).constData(), 65534, 65534) == 0);
            settings << "XDG_RUNTIME_DIR=" + (geteuid() == 0 ? runtime : "/")
                     << "TMPDIR=" + scratch.filePath("missing");
        }

        std::unique_ptr<QProcess> other;
        if (!row.before.isEmpty()) {
            other = startProgram(settings);
            QVERIFY(other);
            QCOMPARE(entries(runtime).size(), 1);
            if (row.before == "killed") {
                ::kill(pid_t(other->processId()), SIGKILL);
                QVERIFY(other->waitForFinished());
            }
        }
        const QStringList left = entries(runtime);
        auto program = startProgram(settings, here, row.folders);
        QVERIFY(program);
        if (row.folders) {
            const QStringList made = entries(runtime);
            QCOMPARE(made.size(), row.before == "live" ? 2 : 1);
            for (const QString &folder : made)
                QVERIFY2(folder.startsWith("lumatic-web-"), qPrintable(folder));
            if (!row.before.isEmpty())
                QCOMPARE(made.contains(left.first()), row.before == "live");
        }
        QVERIFY(endsCleanly(*program, row.signal));
        const QByteArray complained = program->readAllStandardError();
        QVERIFY2(!complained.contains(":ERROR:"), complained.constData());
        if (!row.folders)
            QVERIFY2(complained.contains("no folder to work in: neither XDG_RUNTIME_DIR"),
                     "the engine was loaded");
        QCOMPARE(entries(runtime), row.before == "live" ? left : QStringList());
        if (row.before == "live")
            QVERIFY(endsCleanly(*other, SIGTERM));
        QCOMPARE(entries(runtime), QStringList());
        QCOMPARE(entries(here), QStringList());
        QCOMPARE(entries(scratch.path()), (QStringList{"here", "runtime"}));
    }

    // Okay and Refresh ask for the news over HTTPS; Refresh also reloads from the source.
    void theNewsIsFetchedOverHttps() {
        auto *book = new AddressBook;
        NewsWindow window(completeAddress(QString::fromLatin1(NewsAddress)),
                          [book](QWidget *host) { return new Browser(host, *book); });
        click(window, "Command1");
        click(window, "Command3");
        const QUrl news(QStringLiteral("https://kingpin.info/"));
        QCOMPARE(book->asked, (QList<QUrl>{news, news, QUrl(QStringLiteral("reload:"))}));
    }
};

int main(int argc, char **argv) {
    // The program, for the rows that end it by signals: Okay is pressed at once, which it
    // says on its unbuffered output, as it says when the page's load has ended.
    if (qEnvironmentVariableIsSet("LUMATIC_TEST_PROGRAM")) {
        std::setvbuf(stdout, nullptr, _IONBF, 0);
        const QUrl address(qEnvironmentVariable("LUMATIC_TEST_PROGRAM"));
        return run(
            argc, argv,
            [](WindowRegistry &windows) {
                windows.showNews();
                auto &news = static_cast<NewsWindow &>(windows.newsWindow());
                news.Command1_Click();
                std::puts("okay");
                if (auto *browser = news.findChild<Browser *>())
                    QObject::connect(browser, &Browser::loadFinished, [] { std::puts("loaded"); });
            },
            [&] { return new NewsWindow(address, engine); });
    }
    return runTests<TestNewsWindow>(argc, argv);
}
#include "test_news_window.moc"

#include "app/run.h"
#include "app/window_registry.h"
#include "toolkit/colours.h"
#include "web_harness.h"
#include "windows/help/help_window.h"
#include "windows/news/error_filter.h"
#include "windows/news/news_window.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumatic;
using namespace lumatic::test;

namespace {

// The browser that Okay made, if any.
Browser *browserOf(const NewsWindow &window) {
    return window.findChild<Browser *>();
}

// The line the browser area shows in place of a page, once there has been one.
QLabel *noticeOf(const NewsWindow &window) {
    return window.findChild<QLabel *>("notice");
}

const QSize confirming(294, 99), browsing(328, 371);

// The program itself in a child process of its own group, with Okay pressed and, where it
// can start, the engine's processes running and the news page's load ended. Null when it did
// not get that far.
std::unique_ptr<QProcess> startProgram(const QProcessEnvironment &environment,
                                       const QString &workingDirectory = QString(),
                                       bool engine = true) {
    auto program = std::make_unique<QProcess>();
    program->setProcessEnvironment(environment);
    program->setWorkingDirectory(workingDirectory);
    program->setChildProcessModifier([] { ::setpgid(0, 0); });
    program->start(QCoreApplication::applicationFilePath(), {});
    QByteArray said;
    const auto ready = [&] {
        return (said += program->readAllStandardOutput()).contains(engine ? "loaded" : "okay");
    };
    if (!program->waitForStarted() || !QTest::qWaitFor(ready, 20000) ||
        (engine && !engineProcesses(program->processId())))
        return nullptr;
    return program;
}

// Ends the program by the signal: it must go as Close everything ends it, within a second,
// and the engine's processes with it. A terminal sends Ctrl-C and its hang-up to the whole
// group, the engine's processes included; kill, to the program alone.
bool endsCleanly(QProcess &program, int signal) {
    const auto group = pid_t(program.processId());
    ::kill(signal == SIGTERM ? group : -group, signal);
    return program.waitForFinished(1000) && program.exitStatus() == QProcess::NormalExit &&
           program.exitCode() == 0 &&
           QTest::qWaitFor([group] { return ::kill(-group, 0) != 0 && errno == ESRCH; }, 5000);
}

QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// A browser without an engine that notes each address it is asked for, and nothing else.
struct AddressBook final : BrowserFactory {
    QList<QUrl> asked;

    BrowserEngine *create(QWidget *parent, QObject *, BrowserEvents &) override {
        struct Engine final : BrowserEngine {
            Engine(QWidget *parent, QList<QUrl> &asked) : view(new QWidget(parent)), asked(asked) {}
            QWidget *widget() override { return view; }
            void navigate(const QUrl &url) override { asked << url; }
            void reloadFromSource() override { asked << QUrl(QStringLiteral("reload:")); }
            QUrl url() const override { return asked.value(0); }
            QWidget *view;
            QList<QUrl> &asked;
        };
        return new Engine(parent, asked);
    }
};

} // namespace

class TestNewsWindow : public QObject {
    Q_OBJECT

    HttpServer server_, untrusted_{HttpServer::Https};

    static std::unique_ptr<WindowRegistry>
    makeWindows(const QUrl &address, const NewsWindow::BrowserMaker &maker = engine) {
        return std::make_unique<WindowRegistry>(
            [] { return nullptr; }, [address, maker] { return new NewsWindow(address, maker); });
    }

    static NewsWindow &news(WindowRegistry &windows) {
        return static_cast<NewsWindow &>(windows.newsWindow());
    }

    // The news window shown as the main window shows it; a window never exposed fails later.
    static NewsWindow &shownNews(WindowRegistry &windows) {
        windows.showNews();
        NewsWindow &window = news(windows);
        (void)QTest::qWaitForWindowExposed(&window);
        return window;
    }

    // Okay shows the notice in place of the page, and so does Refresh: the engine never
    // started, and so neither ended this process nor asked for a page.
    static void checkRefused(NewsWindow &window, const char *text, const HttpServer &server) {
        QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
        QLabel *notice = noticeOf(window);
        QVERIFY(notice && notice->isVisible());
        QCOMPARE(notice->text(), text);
        QCOMPARE(notice->palette().color(QPalette::WindowText), colourFromValue(0xC0C0C0));
        QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
        QVERIFY(notice->isVisible());
        QCOMPARE(engineProcesses(::getpid()), 0);
        QCOMPARE(server.hits("/"), 0);
    }

    // The window asking first, or browsing: its title, its size and the controls it shows.
    static void checkShows(NewsWindow &window, bool browsing) {
        QCOMPARE(window.windowTitle(),
                 browsing ? "Latest news and check for recent upgrades" : "Message");
        QCOMPARE(window.size(), browsing ? ::browsing : confirming);
        for (const char *asking : {"Label1", "Command1", "Command2"})
            QVERIFY2(control(window, asking)->isVisible() != browsing, asking);
        for (const char *browser : {"web", "Command3", "Command4"})
            QVERIFY2(control(window, browser)->isVisible() == browsing, browser);
        QCOMPARE(browserOf(window) != nullptr, browsing);
    }

    static bool okayAndLoad(NewsWindow &window) {
        const QPoint corner = window.pos();
        QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
        if (!browserOf(window))
            return false;
        QSignalSpy finished(browserOf(window), &Browser::loadFinished);
        return window.pos() == corner && loadSucceeded(finished, 15000);
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
    }

    // Runs first: before Okay nothing may touch the network or the engine.
    void cancelGoesNowhere() {
        auto windows = makeWindows(server_.url("/"));
        NewsWindow &window = shownNews(*windows);
        checkShows(window, false);
        QPointer<NewsWindow> gone = &window;
        QTest::mouseClick(control(window, "Command2"), Qt::LeftButton);
        QVERIFY(!windows->existingNewsWindow());
        QTRY_VERIFY(gone.isNull());
        // With the window gone and the engine never mapped, nothing is left to ask later.
        QVERIFY(!webEngineMapped());
        QCOMPARE(server_.hits("/"), 0);
    }

    void confirmingLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QString>("text"); // a button's is its row's name
        const auto row = [](const char *tag, const char *name, QRect pixels,
                            const char *text = "") {
            QTest::newRow(tag) << QString::fromLatin1(name) << pixels << QString::fromLatin1(text);
        };
        row("Okay", "Command1", QRect(64, 64, 73, 21));
        row("Cancel", "Command2", QRect(152, 64, 73, 21));
        row("notice", "Label1", QRect(24, 8, 241, 49),
            "Latest news and checking for patches requires a valid internet connection. Hit okay "
            "if you are connected otherwise cancel");
        row("web", "web", QRect(8, 8, 313, 329));
        row("Refresh", "Command3", QRect(0, 344, 137, 25));
        row("Close", "Command4", QRect(240, 344, 89, 25));
    }
    void confirmingLayout() {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        QFETCH(QString, text);
        NewsWindow window(server_.url("/"), engine);
        QCOMPARE(window.objectName(), "Form4");
        QCOMPARE(window.palette().color(QPalette::Window), colourFromValue(0x404040));
        QVERIFY(!window.windowIcon().isNull());
        QWidget *widget = control(window, name);
        QCOMPARE(widget->geometry(), pixels);
        if (auto *button = qobject_cast<QPushButton *>(widget)) {
            QCOMPARE(button->text(), QTest::currentDataTag());
            QCOMPARE(button->palette().color(QPalette::Button), colourFromValue(0x808080));
            QCOMPARE(QFontInfo(button->font()).family(), "Liberation Sans");
            QCOMPARE(button->font().pointSizeF(), 9.0);
            QVERIFY(!button->isDefault());
        } else if (qobject_cast<QLabel *>(widget)) {
            checkLabel(window, name, text, 0xC0C0C0);
        }
    }

    void okayHoldsTheFocusAndKeysActOnlyThroughIt() {
        auto windows = makeWindows(QUrl("http://127.0.0.1:9/"), NewsWindow::engineBrowser);
        windows->showNews();
        NewsWindow &window = news(*windows);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), control(window, "Command1"));
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(windows->existingNewsWindow());
        checkShows(window, false);
        // The module is not where the program looks for it from the tests' folder: the browser
        // area says that there is no browser, standard error why, on one line; the window stays
        // usable.
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^The web browser could not be started: "
                                                "[^\\n]*lumatic-web.so: not found; "
                                                "[^\\n]*lumatic-web.so: not found$"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(window.windowTitle(), "Latest news and check for recent upgrades");
        QVERIFY(control(window, "web")->findChild<QLabel *>("unavailable"));
        QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
        QTest::mouseClick(control(window, "Command4"), Qt::LeftButton);
        QVERIFY(!windows->existingNewsWindow());
    }

    // The graphical style: a flat face in the button's own grey with a raised edge, and the
    // keyboard focus shown by a dotted rectangle, not by a tint.
    void buttonsAreFlatGreyWithADottedFocus_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("focus");
        QTest::newRow("Okay, with the focus") << "Command1" << true;
        QTest::newRow("Cancel") << "Command2" << false;
    }
    void buttonsAreFlatGreyWithADottedFocus() {
        QFETCH(QString, name);
        QFETCH(bool, focus);
        NewsWindow window(QUrl("http://127.0.0.1:9/"), [](QWidget *) { return nullptr; });
        window.showNonModal();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QWidget *button = control(window, name);
        QCOMPARE(button->hasFocus(), focus);
        const QImage image = button->grab().toImage().scaled(button->size());
        const int right = button->width() - 1, bottom = button->height() - 1;
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
        QCOMPARE(image.pixelColor(right, bottom), QColor(Qt::black));
        // Face between the edge and the caption, at the top and at both sides.
        const QColor face = colourFromValue(0x808080);
        for (const QPoint at : {QPoint(right / 2, 2), QPoint(6, bottom / 2), QPoint(right - 6, 2)})
            QCOMPARE(image.pixelColor(at), face);
        // The focus rectangle's top line: every other pixel dark.
        int dark = 0;
        for (int x = 4; x < right - 4; ++x)
            dark += image.pixelColor(x, 3) != face;
        QCOMPARE(dark, focus ? (right - 8) / 2 : 0);
    }

    // As root, Chromium would end the whole process unless its sandbox is off; the program
    // never switches it off itself. Run in a child without the switch, Okay must leave the
    // program running, with the reason in the browser area and the window usable.
    void okayAsRootWithoutTheSandboxSwitchKeepsTheProgram() {
        if (getuid() != 0 && geteuid() != 0)
            QSKIP("only root meets Chromium's refusal");
        if (!isChild()) {
            QByteArray output;
            QVERIFY2(passesInChild(&output), output.constData());
            return;
        }
        // The tests' main() switched it off for root.
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        auto windows = makeWindows(server_.url("/"));
        NewsWindow &window = shownNews(*windows);
        checkRefused(window,
                     "The web browser does not run as root without QTWEBENGINE_DISABLE_SANDBOX=1.",
                     server_);
        QTest::mouseClick(control(window, "Command4"), Qt::LeftButton);
        QVERIFY(!windows->existingNewsWindow());
    }

    // A user's whole session, as env/as-user runs it: unprivileged, against a TLS server, with
    // the engine's sandbox on, or in a chroot, where the kernel refuses it and the browser area
    // says so instead of the program ending or showing pages unsandboxed. Once the process has
    // ended, the wrapper finds HOME empty, no engine process left and nothing on standard error.
    void aUsersSession() {
        const QByteArray mode = qgetenv("LUMATIC_AS_USER");
        if (mode.isEmpty())
            QSKIP("runs as a user, under tests/env/as-user");
        // A certificate of its own, which the engine takes as a user who checked it would; the
        // engine would still log that it cannot verify it, had its logging not been turned down.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") +
                                                  " --ignore-certificate-errors --log-level=3");
        HttpServer tls(HttpServer::Https);
        QVERIFY2(tls.listen(), qPrintable(tls.error()));
        tls.route("/", {.body = page("news", "news")});
        const QUrl address = tls.url("/");
        WindowRegistry windows([] { return new HelpWindow; },
                               [address] { return new NewsWindow(address, engine); });
        MainWindow &main = windows.mainWindow();
        main.showNonModal();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QTest::mouseClick(control(main, "Image1"), Qt::LeftButton);
        QVERIFY(windows.existingHelpWindow() && windows.existingHelpWindow()->isVisible());
        QTest::mouseClick(control(main, "Image2"), Qt::LeftButton);
        NewsWindow &window = shownNews(windows);
        if (mode == "no namespaces") {
            checkRefused(window,
                         "The web browser needs user namespaces for its sandbox, and this system "
                         "refuses them; allow them, or set QTWEBENGINE_DISABLE_SANDBOX=1 to "
                         "browse without the sandbox.",
                         tls);
        } else {
            QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(tls.hits("/painted"), 1, 15000);
            QVERIFY(engineProcesses(::getpid()) > 0);
            QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
            QTRY_COMPARE_WITH_TIMEOUT(tls.hits("/painted"), 2, 15000);
            QVERIFY(tls.hits("/") > 1);
        }
        QTest::mouseClick(control(window, "Command4"), Qt::LeftButton);
        QVERIFY(!windows.existingNewsWindow());
        QSignalSpy ended(&windows, &WindowRegistry::ended);
        QTest::mouseClick(control(main, "Image3"), Qt::LeftButton);
        QCOMPARE(ended.count(), 1);
        QVERIFY(!windows.anyOpen());
    }

    // Once the engine is loaded, standard error passes through a filter that drops the known
    // complaint of the engine's sandboxed processes and hands everything else on, the program's
    // own lines and those of the processes it starts alike. Run in a child, which waits for the
    // filter to hand on its last line before it ends.
    void standardErrorLosesOnlyTheEnginesKnownNoise() {
        const QByteArray noise =
            "Fontconfig error: Cannot load default config file: No such file: (null)";
        const QByteArray nearMiss =
            "Fontconfig error: Cannot load default config file: No such file: /etc/fonts.conf";
        if (!isChild()) {
            QByteArray output, error;
            QVERIFY2(passesInChild(&output, &error), output.constData());
            // Whatever Qt said before it (the session's set-up) aside.
            QVERIFY2(error.endsWith(noise + "\nbefore\nafter\n" + nearMiss + "\nfrom a child\n"),
                     error.constData());
            return;
        }
        const auto say = [](const QByteArray &text) {
            QCOMPARE(::write(STDERR_FILENO, text.constData(), size_t(text.size())),
                     ssize_t(text.size()));
        };
        say(noise + "\nbefore\n");
        QVERIFY(filterStandardError());
        say(noise + "\nafter\n" + nearMiss + "\n");
        QCOMPARE(std::system("echo '" + noise + "' >&2; echo 'from a child' >&2"), 0);
        // The filter ends with its last writer.
        const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        QVERIFY(quiet >= 0 && ::dup2(quiet, STDERR_FILENO) == STDERR_FILENO);
        ::close(quiet);
        QVERIFY(::wait(nullptr) > 0);
    }

    void okayBrowsesAndReopeningStartsOver() {
        auto windows = makeWindows(server_.url("/"));
        NewsWindow &window = shownNews(*windows);
        QVERIFY(okayAndLoad(window));
        checkShows(window, true);
        QCOMPARE(browserOf(window)->url(), server_.url("/"));
        QCOMPARE(browserOf(window)->widget()->geometry(),
                 QRect(QPoint(), control(window, "web")->size()));

        // Showing it again from the main window changes nothing.
        Browser *browser = browserOf(window);
        windows->showNews();
        QCOMPARE(&news(*windows), &window);
        QCOMPARE(browserOf(window), browser);
        checkShows(window, true);

        QTest::mouseClick(control(window, "Command4"), Qt::LeftButton);
        QVERIFY(!windows->existingNewsWindow());
        windows->showNews();
        checkShows(news(*windows), false);
    }

    void refreshReturnsToTheNewsAfterALink_data() {
        QTest::addColumn<QByteArray>("newsPage");
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArray>("thenRequested"); // once the linked page is shown
        const auto row = [](const char *name, const char *news, const char *link,
                            const char *thenRequested) {
            QTest::newRow(name) << QByteArray(news) << QByteArray(link)
                                << QByteArray(thenRequested);
        };
        row("to a plain page", "/", "/older", "/painted");
        row("to a page stuck in a script loop", "/to-stuck", "/stuck", "/looping");
        row("whose renderer then dies", "/", "/older", "/painted");
    }
    // Whatever the linked page does, Refresh shows the news page again within a few seconds.
    void refreshReturnsToTheNewsAfterALink() {
        QFETCH(QByteArray, newsPage);
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, thenRequested);
        const QUrl address = server_.url(QString::fromLatin1(newsPage));
        auto windows = makeWindows(address);
        NewsWindow &window = shownNews(*windows);
        const int before = server_.hits("/painted");
        QVERIFY(okayAndLoad(window));
        QVERIFY(painted(server_, before));
        Browser *browser = browserOf(window);
        const int shown = server_.hits(thenRequested), linked = server_.hits(link);
        QVERIFY(clickUntil(browser, [&] { return server_.hits(link) > linked; }));
        QTRY_VERIFY_WITH_TIMEOUT(browser->url() == server_.url(QString::fromLatin1(link)) &&
                                     server_.hits(thenRequested) > shown,
                                 10000);
        if (QByteArray(QTest::currentDataTag()).contains("renderer")) {
            QVERIFY(killRenderers(browser) > 0);
            QTRY_VERIFY_WITH_TIMEOUT(noticeOf(window) && noticeOf(window)->isVisible(), 10000);
            QCOMPARE(noticeOf(window)->text(), stoppedWorking);
            QVERIFY(!browser->widget()->isVisible());
        }

        const int newsRequests = server_.hits(newsPage);
        const int newsPainted = server_.hits("/painted");
        QSignalSpy finished(browser, &Browser::loadFinished);
        QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
        QVERIFY(loadSucceeded(finished, 5000));
        QCOMPARE(browser->url(), address);
        QVERIFY(server_.hits(newsPage) > newsRequests);
        QVERIFY(painted(server_, newsPainted));
        QVERIFY(browser->widget()->isVisible());
        QVERIFY(!noticeOf(window) || !noticeOf(window)->isVisible());
        window.close();
    }

    void anUnreachablePageLeavesTheWindowUsable() {
        HttpServer closed;
        QVERIFY(closed.listen());
        const QUrl nowhere = closed.url("/");
        closed.close();
        auto windows = makeWindows(nowhere);
        windows->showNews();
        NewsWindow &window = news(*windows);
        QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
        QSignalSpy finished(browserOf(window), &Browser::loadFinished);
        QVERIFY(finished.wait(15000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(window.size(), browsing);
        finished.clear();
        QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
        QVERIFY(finished.wait(15000));
        QTest::mouseClick(control(window, "Command4"), Qt::LeftButton);
        QVERIFY(!windows->existingNewsWindow());
    }

    void endsThroughItsOrdinaryExit_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("before"); // another instance: "killed" outright, or "live"
        QTest::addColumn<bool>("folders");   // a runtime or temporary folder that can hold one
        QTest::newRow("Ctrl-C") << SIGINT << "" << true;
        QTest::newRow("closed terminal") << SIGHUP << "" << true;
        QTest::newRow("kill") << SIGTERM << "" << true;
        QTest::newRow("after one killed outright") << SIGTERM << "killed" << true;
        QTest::newRow("beside a live one") << SIGTERM << "live" << true;
        QTest::newRow("no usable runtime or temporary folder") << SIGTERM << "" << false;
    }
    // The engine's private folder goes however the program ends but outright: a folder left by
    // a program killed outright goes with the next Okay, a live program's folder stays.
    void endsThroughItsOrdinaryExit() {
        QFETCH(int, signal);
        QFETCH(QString, before);
        QFETCH(bool, folders);
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        const QString runtime = scratch.filePath("runtime"), here = scratch.filePath("here");
        QVERIFY(QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) &&
                QDir().mkdir(here));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A page whose certificate the engine refuses: its failed handshake prints nothing.
        environment.insert("LUMATIC_TEST_PROGRAM", untrusted_.url("/").toString());
        environment.insert("XDG_RUNTIME_DIR", runtime);
        environment.insert("TMPDIR", scratch.path());
        if (!folders) {
            // A runtime folder of someone else's, and a temporary folder that is not there.
            QVERIFY(geteuid() != 0 ||
                    ::chown(QFile::encodeName(runtime).constData(), 65534, 65534) == 0);
            environment.insert("XDG_RUNTIME_DIR", geteuid() == 0 ? runtime : "/");
            environment.insert("TMPDIR", scratch.filePath("missing"));
        }

        std::unique_ptr<QProcess> other;
        if (!before.isEmpty()) {
            other = startProgram(environment);
            QVERIFY(other);
            QCOMPARE(entries(runtime).size(), 1);
            if (before == "killed") {
                ::kill(pid_t(other->processId()), SIGKILL);
                QVERIFY(other->waitForFinished());
            }
        }
        const QStringList left = entries(runtime);
        auto program = startProgram(environment, here, folders);
        QVERIFY(program);
        if (folders) {
            const QStringList made = entries(runtime);
            QCOMPARE(made.size(), before == "live" ? 2 : 1);
            for (const QString &folder : made)
                QVERIFY2(folder.startsWith("lumatic-web-"), qPrintable(folder));
            if (before == "live")
                QVERIFY(made.contains(left.first()));
            else if (before == "killed")
                QVERIFY(!made.contains(left.first()));
        }
        QVERIFY(endsCleanly(*program, signal));
        const QByteArray complained = program->readAllStandardError();
        QVERIFY2(!complained.contains(":ERROR:"), complained.constData());
        if (!folders)
            QVERIFY2(complained.contains("no folder to work in: neither XDG_RUNTIME_DIR"),
                     "the engine was loaded");
        QCOMPARE(entries(runtime), before == "live" ? left : QStringList());
        if (before == "live")
            QVERIFY(endsCleanly(*other, SIGTERM));
        QCOMPARE(entries(runtime), QStringList());
        QCOMPARE(entries(here), QStringList());
        QCOMPARE(entries(scratch.path()), (QStringList{"here", "runtime"}));
    }

    // The window made as the program makes it asks its browser for the news page over HTTPS,
    // on Okay and again on Refresh, where it also reloads from the source.
    void theNewsIsFetchedOverHttps() {
        AddressBook book;
        NewsWindow window(completeAddress(QString::fromLatin1(NewsAddress)),
                          [&book](QWidget *host) { return new Browser(host, book); });
        QTest::mouseClick(control(window, "Command1"), Qt::LeftButton);
        QTest::mouseClick(control(window, "Command3"), Qt::LeftButton);
        const QUrl news(QStringLiteral("https://kingpin.info/"));
        QCOMPARE(book.asked, (QList<QUrl>{news, news, QUrl(QStringLiteral("reload:"))}));
    }
};

int main(int argc, char **argv) {
    // The program itself, for the rows that end it by signals: Okay is pressed at once.
    if (qEnvironmentVariableIsSet("LUMATIC_TEST_PROGRAM"))
        return lumatic::run(
            argc, argv,
            [](WindowRegistry &windows) {
                windows.showNews();
                auto &news = static_cast<NewsWindow &>(windows.newsWindow());
                news.Command1_Click();
                std::puts("okay");
                std::fflush(stdout);
                if (auto *browser = news.findChild<Browser *>())
                    QObject::connect(browser, &Browser::loadFinished, [] {
                        std::puts("loaded");
                        std::fflush(stdout);
                    });
            },
            [] {
                return new NewsWindow(QUrl(qEnvironmentVariable("LUMATIC_TEST_PROGRAM")),
                                      [](QWidget *host) {
                                          QString error;
                                          Browser *browser = loadEngine(host, &error);
                                          if (!browser)
                                              std::fprintf(stderr, "%s\n", qPrintable(error));
                                          return browser;
                                      });
            });
    allowRootWithoutSandbox();
    prepareEngineProcess();
    QApplication app(argc, argv);
    setUpApplication(app);
    TestNewsWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_news_window.moc"

#include "web_harness.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <sys/stat.h>

using namespace lumatic;
using namespace lumatic::test;

namespace {

HttpServer::Response cacheable(HttpServer::Response response) {
    response.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("max-age=3600")));
    return response;
}

// Stands in for the desktop's mail program, so that a leak cannot launch it.
class ExternalOpener : public QObject {
    Q_OBJECT

public:
    int opened = 0;

public slots:
    void open(const QUrl &) { ++opened; }
};

// Every window but the host that reaches the screen while it watches, each closed at once: a
// page's dialog would otherwise hold the test, as it holds the user. Those that the browser keeps
// off the screen are its own to end.
class WindowWatch : public QObject {
public:
    explicit WindowWatch(QWidget *host) : host_(host) { qApp->installEventFilter(this); }

    QStringList shown;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType())
            return false;
        auto *window = static_cast<QWidget *>(watched);
        if (!window->isWindow() || window == host_)
            return false;
        QTimer::singleShot(0, window, [this, window] {
            if (!window->windowHandle() || !window->windowHandle()->isVisible())
                return;
            shown << QStringLiteral("%1 \"%2\"")
                         .arg(window->metaObject()->className(), window->windowTitle());
            if (auto *dialog = qobject_cast<QDialog *>(window))
                dialog->reject();
            else
                window->close();
        });
        return false;
    }

private:
    QWidget *host_;
};

} // namespace

class TestWebBrowser : public QObject {
    Q_OBJECT

public:
    enum class Before { OnHome, AfterLink, DuringNavigate, DuringLinkLoad, RendererDied, Outgrew };
    Q_ENUM(Before)

private:
    QUrl url(const char *path) const { return server_.url(QString::fromLatin1(path)); }
    // Requests for the URL's path seen by whichever of the servers it names.
    int hits(const QUrl &url) const {
        for (const HttpServer *server : {&server_, &tls_, &untrusted_})
            if (server->url(QString()).port() == url.port())
                return server->hits(url.path().toUtf8());
        return -1;
    }
    bool load(const char *path) { return load(server_, path); }
    bool load(HttpServer &server, const char *path) {
        const QUrl url = server.url(QString::fromLatin1(path));
        const int before = server.hits("/painted");
        trust_->watch(browser_);
        QSignalSpy finished(browser_, &Browser::loadFinished);
        browser_->navigate(url);
        return loadSucceeded(finished) && browser_->url() == url && painted(server, before);
    }
    // A click that reaches the server: from home, where the link fills the view.
    bool clickRequests(const QByteArray &path) {
        const int before = server_.hits(path);
        return clickUntil(browser_, [&] { return server_.hits(path) > before; });
    }
    // The link's load can take a second or two to end.
    bool followLinkToNext() {
        const int before = server_.hits("/painted");
        QSignalSpy finished(browser_, &Browser::loadFinished);
        return clickRequests("/next") && loadSucceeded(finished) && painted(server_, before);
    }

    HttpServer server_;
    // A TLS server whose certificate the tests trust, and one whose they do not.
    HttpServer tls_{HttpServer::Https}, untrusted_{HttpServer::Https};
    std::unique_ptr<CertificateTrust> trust_;
    ExternalOpener mailer_;
    QWidget *host_ = nullptr;
    Browser *browser_ = nullptr;

private slots:

    void initTestCase() {
        QVERIFY(server_.listen());
        const QByteArray css = "<link rel=stylesheet href=/style.css>";
        // Pages that the refusal rows click report with a request that the click has had its
        // effect, so that the rows wait for that rather than for a while.
        const QByteArray reportClick = " onclick=\"setTimeout(() => fetch('/clicked'))\"";
        server_.route("/", cacheable({.body = page("home", "<a href=/next>next</a>", css)}));
        server_.route("/style.css",
                      cacheable({.body = "body{background:#cde}", .contentType = "text/css"}));
        // Pages named after their path, and pages that are one click target running a script.
        const auto serveOn = [](HttpServer &server, const char *path, const QByteArray &body) {
            server.route(path, {.body = page(path + 1, body)});
        };
        const auto serve = [&](const char *path, const QByteArray &body) {
            serveOn(server_, path, body);
        };
        const auto onClick = [&](const char *path, const QByteArray &script) {
            serve(path, "<div onclick=\"" + script + "\">" + (path + 1) + "</div>");
        };
        // Not cacheable: a click on home's link shows as a request.
        serve("/next", "<a href=/>home</a>");
        server_.route("/slow", {.body = page("slow", "slow"), .delayMs = 3000});
        serve("/slowlink", "<a href=/slow>slow</a>");
        serve("/blank", "<a href=/popup target=_blank" + reportClick + ">popup</a>");
        onClick("/open", "window.open('/popup'); fetch('/opened')");
        serve("/mailto", "<a href=mailto:nobody@example.invalid" + reportClick + ">mail</a>");
        serve("/popup", "popup");
        server_.route("/to-home", {.body = {}, .headers = {{"Location", "/"}}, .status = 302});
        server_.route("/download",
                      {.body = "payload",
                       .contentType = "application/octet-stream",
                       .headers = {{"Content-Disposition", "attachment; filename=x.bin"}}});
        onClick("/notify", "Notification.requestPermission().then(p => fetch('/permission-' + p))");
        onClick("/alert", "for (let i = 0; i < 20; ++i) alert(i); fetch('/alerted')");
        onClick("/confirm", "fetch('/confirmed-' + confirm('Sure?'))");
        onClick("/prompt", "fetch('/prompted-' + prompt('Name?', 'x'))");
        // The leave-page question is asked only of a page the user has touched.
        onClick("/leave", "onbeforeunload = e => { e.preventDefault(); return e.returnValue = "
                          "'Stay?'; }; fetch('/armed')");
        serve("/file", "<input type=file style=\"width:100%;height:100%\"" + reportClick + ">");
        // Says its value once a refused picker would have been long gone.
        serve("/colour",
              "<input type=color value=#123456 style=\"width:100%;height:100%\" "
              "onclick=\"setTimeout(() => fetch('/colour-' + this.value.slice(1)), 500)\">");
        // Keeps every block it writes, and says how far it has come in MiB.
        const QByteArray grow = "<script>let kept = [], mib = 0; setTimeout(function grow() { "
                                "const block = new Uint8Array(64 << 20); "
                                "for (let i = 0; i < block.length; i += 4096) block[i] = 1; "
                                "kept.push(block); fetch('/grew?' + (mib += 64)); "
                                "if (mib < 4096) setTimeout(grow, 100); })</script>";
        serve("/grow", grow);
        serve("/source", "source");
        serve("/plain", "plain");
        server_.route("/sign-in", {.body = page("sign-in", "no entry"),
                                   .headers = {{"WWW-Authenticate", "Basic realm=\"news\""}},
                                   .status = 401});

        // Certificates of their own: the engine remembers a trusted one for its host, any port.
        QVERIFY2(tls_.listen(), qPrintable(tls_.error()));
        QVERIFY2(untrusted_.listen(), qPrintable(untrusted_.error()));
        serveOn(tls_, "/", "secure");
        tls_.route(
            "/to-plain",
            {.body = {}, .headers = {{"Location", url("/plain").toEncoded()}}, .status = 302});
        serveOn(untrusted_, "/", "untrusted");
        // Pages that leave for plain http, to the plain server or to the TLS server's own port, a
        // moment after they have loaded.
        const QByteArray plain = url("/plain").toEncoded(),
                         after = "http://127.0.0.1:" + QByteArray::number(tls_.url("/").port()) +
                                 "/after";
        const auto soon = [](const QByteArray &script) {
            return "<script>setTimeout(() => " + script + ", 200)</script>";
        };
        serveOn(tls_, "/after", "after");
        serveOn(tls_, "/script", soon("location.href = '" + plain + "'"));
        serveOn(tls_, "/scripted-click",
                "<a id=away href=" + after + ">away</a>" +
                    soon("document.getElementById('away').click()"));
        serveOn(tls_, "/form",
                "<form method=post action=" + plain + "><input name=news value=old></form>" +
                    soon("document.forms[0].submit()"));
        serveOn(tls_, "/framed", "<iframe src=/frame></iframe>");
        tls_.route("/frame", {.body = soon("top.location = '" + after + "'")});
        serveOn(tls_, "/link", "<a href=" + plain + ">plain</a>");
        trust_ = std::make_unique<CertificateTrust>(tls_.url("/"));

        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailer_, "open");

        host_ = new QWidget;
        host_->resize(640, 480);
        QString error;
        browser_ = loadEngine(host_, &error);
        QVERIFY2(browser_, qPrintable(error));
        browser_->widget()->setGeometry(host_->rect());
        host_->show();
        QVERIFY(QTest::qWaitForWindowExposed(host_));
        browser_->navigate(url("/"));
        QTRY_COMPARE_WITH_TIMEOUT(server_.hits("/painted"), 1, 10000);
        QCOMPARE(browser_->url(), url("/"));
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        delete host_;
    }

    // Without this the refresh test could not tell a fresh load from a plain one.
    void plainNavigationUsesCache() {
        QVERIFY(load("/"));
        QVERIFY(load("/next"));
        const int homeHits = server_.hits("/");
        QVERIFY(load("/"));
        QCOMPARE(server_.hits("/"), homeHits);
    }

    // What the Refresh button does: navigate home, then reload from the server.
    void refreshEndsOnFreshHome_data() {
        QTest::addColumn<Before>("before");
        QTest::addColumn<QByteArray>("home");
        const auto row = [](const char *name, Before before, const char *home = "/") {
            QTest::newRow(name) << before << QByteArray(home);
        };
        row("on home", Before::OnHome);
        row("after following a link", Before::AfterLink);
        row("while navigate() is loading", Before::DuringNavigate);
        row("while a clicked link is loading", Before::DuringLinkLoad);
        row("home redirects", Before::AfterLink, "/to-home");
        row("home spelt without its slash", Before::AfterLink, "");
        row("after the renderer died", Before::RendererDied);
        row("after the renderer outgrew its memory", Before::Outgrew);
    }

    void refreshEndsOnFreshHome() {
        QFETCH(Before, before);
        QFETCH(QByteArray, home);

        const int grewBefore = server_.hits("/grew");
        QSignalSpy notices(browser_, &Browser::notice);
        QVERIFY(load(before == Before::DuringLinkLoad ? "/slowlink"
                     : before == Before::Outgrew      ? "/grow"
                                                      : "/"));
        switch (before) {
        case Before::OnHome:
            break;
        case Before::AfterLink:
            QVERIFY(followLinkToNext());
            QCOMPARE(browser_->url(), url("/next"));
            break;
        case Before::DuringNavigate:
            browser_->navigate(url("/slow"));
            break;
        case Before::DuringLinkLoad:
            QVERIFY(clickRequests("/slow"));
            break;
        case Before::RendererDied:
            QVERIFY(killRenderers(browser_) > 0);
            QVERIFY(notices.wait(10000));
            break;
        case Before::Outgrew: {
            // The page grows 640 MiB a second up to 4 GiB unless its renderer is ended, and reports
            // each 64 MiB until then.
            QVERIFY2(notices.wait(15000), "the renderer was not ended");
            const int mib = (server_.hits("/grew") - grewBefore) * 64;
            QVERIFY2(mib >= 512 && mib < 1536, qPrintable(QString::number(mib)));
            QCOMPARE(notices.count(), 1);
            QCOMPARE(notices.first().first(), stoppedWorking);
            break;
        }
        }

        const int homeHits = server_.hits("/");
        const int cssHits = server_.hits("/style.css");
        QSignalSpy finished(browser_, &Browser::loadFinished);
        browser_->navigate(url(home.constData()));
        browser_->reloadFromSource();
        QVERIFY(loadSucceeded(finished));
        // Home comes from the server, and once its page has painted a second load would have ended.
        const auto fresh = [&] {
            return server_.hits("/") > homeHits && server_.requestedAfter("/", "/painted");
        };
        QVERIFY(QTest::qWaitFor(fresh, 10000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(browser_->url(), url("/"));
        QVERIFY(server_.hits("/style.css") > cssHits);
    }

    void refuses_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>(
            "clicked");                   // if given, the page is clicked until it requests it
        QTest::addColumn<QUrl>("target"); // navigated to, if given
        QTest::addColumn<QUrl>("neverRequested");
        QTest::addColumn<QUrl>("endsOn");
        QTest::addColumn<bool>("notice");
        const auto row = [](const char *name, const char *start, const char *clicked,
                            const QUrl &target, const QUrl &never, const QUrl &endsOn,
                            bool notice = false) {
            QTest::newRow(name) << QByteArray(start) << QByteArray(clicked) << target << never
                                << endsOn << notice;
        };
        const QUrl none, home = url("/"), bad = untrusted_.url("/");
        const QUrl source = QUrl(QStringLiteral("view-source:") + url("/source").toString());
        row("file url", "/", "", QUrl(QStringLiteral("file:///etc/hostname")), none, home);
        row("view-source url", "/", "", source, url("/source"), home);
        row("about url", "/", "", QUrl(QStringLiteral("about:blank")), none, home);
        row("chrome url", "/", "", QUrl(QStringLiteral("chrome://version")), none, home);
        row("mailto link", "/mailto", "/clicked", none, none, url("/mailto"));
        row("target=_blank link", "/blank", "/clicked", none, url("/popup"), url("/blank"));
        row("window.open", "/open", "/opened", none, url("/popup"), url("/open"));
        row("download", "/", "", url("/download"), none, home);
        row("alert() loop", "/alert", "/alerted", none, none, url("/alert"));
        row("confirm()", "/confirm", "/confirmed-true", none, none, url("/confirm"));
        row("prompt()", "/prompt", "/prompted-null", none, none, url("/prompt"));
        row("leave-page handler", "/leave", "/armed", url("/next"), none, url("/next"));
        row("<input type=file> clicked", "/file", "/clicked", none, none, url("/file"));
        row("<input type=color> clicked", "/colour", "/colour-123456", none, none, url("/colour"));
        row("sign-in asked", "/", "", url("/sign-in"), none, url("/sign-in"));
        row("https page redirecting to http", "/", "", tls_.url("/to-plain"), url("/plain"), home,
            true);
        row("bad certificate", "/", "", bad, bad, bad);
    }

    // Each row waits for the event that ends what it sets off (the load's end, or a request from
    // the page), and then finds no window, no dialog and no page it should not have.
    void refuses() {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, clicked);
        QFETCH(QUrl, target);
        QFETCH(QUrl, neverRequested);
        QFETCH(QUrl, endsOn);
        QFETCH(bool, notice);

        QVERIFY(load(start.constData()));
        trust_->watch(browser_);
        WindowWatch windows(host_);
        QSignalSpy notices(browser_, &Browser::notice);
        const int opened = mailer_.opened;
        if (!clicked.isEmpty())
            QVERIFY(clickRequests(clicked));
        if (!target.isEmpty()) {
            QSignalSpy finished(browser_, &Browser::loadFinished);
            browser_->navigate(target);
            QVERIFY(finished.wait(10000));
        }
        QVERIFY2(windows.shown.isEmpty(), qPrintable(windows.shown.join(QStringLiteral(", "))));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(browser_->url(), endsOn);
        QCOMPARE(mailer_.opened, opened);
        if (!neverRequested.isEmpty())
            QCOMPARE(hits(neverRequested), 0);
        QCOMPARE(notices.count(), notice ? 1 : 0);
        // Nothing holds the window: Refresh reaches the server, and the window closes, here as the
        // news window does on Close.
        const int homeHits = server_.hits("/");
        QSignalSpy finished(browser_, &Browser::loadFinished);
        browser_->navigate(url("/"));
        browser_->reloadFromSource();
        QVERIFY(finished.wait(10000));
        QVERIFY(server_.hits("/") > homeHits);
        QVERIFY(host_->close());
        host_->show();
        QVERIFY(QTest::qWaitForWindowExposed(host_));
    }

    // The engine answers a file input through a call queued on the main thread with nothing
    // tying it to the page, as Qt's QTimer::singleShot(0, functor) is here; whatever ends the
    // page while one waits, the call still finds it.
    void queuedEngineCallsFindTheirPage_data() {
        QTest::addColumn<bool>("wholeBrowser");
        QTest::newRow("page replaced by Refresh") << false;
        QTest::newRow("browser deleted, as on Close") << true;
    }
    void queuedEngineCallsFindTheirPage() {
        QFETCH(bool, wholeBrowser);
        QWidget host;
        Browser *browser = wholeBrowser ? engine(&host) : browser_;
        QVERIFY(browser);
        const QList<QObject *> objects = browser->findChildren<QObject *>();
        const auto page = std::find_if(objects.begin(), objects.end(), [](const QObject *object) {
            return object->inherits("QWebEnginePage");
        });
        QVERIFY(page != objects.end());
        const QPointer<QObject> watched = *page;
        QSignalSpy finished(browser, &Browser::loadFinished);
        if (!wholeBrowser)
            browser->reloadFromSource();
        bool ran = false;
        bool found = false;
        QTimer::singleShot(0, [&] {
            ran = true;
            found = !watched.isNull();
        });
        // The program's own event loop, where a replaced page is deleted in turn with the call.
        if (wholeBrowser)
            delete browser;
        else
            QVERIFY(finished.wait(10000));
        QTRY_VERIFY(ran);
        QVERIFY(found);
    }

    // Once on https, the page goes to plain http by no way at all: the address is upgraded, and
    // what the server at the upgraded address says follows, or, where it has no https, or where a
    // form would post to plain http, one line saying so.
    void staysOnHttps_data() {
        QTest::addColumn<QByteArray>("start");   // on the TLS server
        QTest::addColumn<QByteArray>("follows"); // requested from the TLS server, if given
        const auto row = [](const char *name, const char *start, const char *follows = "") {
            QTest::newRow(name) << QByteArray(start) << QByteArray(follows);
        };
        row("script sets location", "/script");
        row("scripted click on a link", "/scripted-click", "/after");
        row("form submits itself", "/form");
        row("frame sets top.location", "/framed", "/after");
        row("user clicks a link", "/link");
    }

    void staysOnHttps() {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, follows);

        const int plainHits = server_.hits("/plain"), followed = tls_.hits(follows);
        QSignalSpy notices(browser_, &Browser::notice);
        QVERIFY(load(tls_, start.constData()));
        const auto happened = [&] { return !notices.isEmpty() || tls_.hits(follows) > followed; };
        if (QByteArray(QTest::currentDataTag()).startsWith("user clicks"))
            QVERIFY(clickUntil(browser_, happened));
        QVERIFY(QTest::qWaitFor(happened, 10000));
        // The one fixed wait: a refused attempt ends in no event of its own, and a plain request or
        // a second notice would come after the first notice, if at all.
        QTest::qWait(300);
        QCOMPARE(server_.hits("/plain"), plainHits);
        if (follows.isEmpty()) {
            QCOMPARE(notices.count(), 1);
            QCOMPARE(notices.first().first(),
                     "This page is not available over HTTPS, so it is not shown.");
        } else {
            QCOMPARE(notices.count(), 0);
            QTRY_COMPARE_WITH_TIMEOUT(browser_->url(), tls_.url(QString::fromLatin1(follows)),
                                      10000);
        }
    }

    void deniesPermissions() {
        QVERIFY(load("/notify"));
        QVERIFY(clickRequests("/permission-denied"));
    }

    // What the engine writes, its certificate store first of all, goes to an owner-only folder of
    // its own in the runtime folder; env/as-user, which runs these tests, finds HOME and the
    // runtime folder empty once the process has ended. The tests go through TLS handshakes, show
    // pages and lose a renderer, which is where the engine writes.
    void keepsItsFilesInAPrivateHome() {
        QVERIFY(load(tls_, "/"));
        const QString home = qEnvironmentVariable("HOME");
        QCOMPARE(QFileInfo(home).path(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
        struct stat status {};
        QCOMPARE(::stat(QFile::encodeName(home).constData(), &status), 0);
        QCOMPARE(status.st_mode & 0777, 0700u);
        QVERIFY(QFileInfo::exists(home + QStringLiteral("/.pki/nssdb")));
    }
};

LUMATIC_TEST_MAIN(TestWebBrowser)
#include "test_web_browser.moc"

#include "web_harness.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWindow>
#include <optional>
#include <sys/stat.h>

using namespace lumatic;
using namespace lumatic::test;

namespace {

enum class Before { OnHome, AfterLink, DuringNavigate, DuringLinkLoad, RendererDied, Outgrew };
struct RefreshRow {
    const char *tag;
    Before before;
    const char *start = "/";
    const char *home = "/";
};

struct Refusal {
    QByteArray page;    // served as /refusal, where the row starts
    QByteArray clicked; // if given, the page is clicked until it requests it from its server
    QUrl target;        // navigated to, if given
    QUrl endsOn;        // if not where the row started
    QString notice;     // the one notice the row ends with, if any
    bool secure;        // the page comes from the TLS server
};

} // namespace

class TestWebBrowser : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's mail program: a leak cannot launch it, and shows as a window.
    void openMail(const QUrl &url) { shown_ << url.toString(); }

protected:
    // Any other window that reaches the screen is noted and closed, or a page's dialog would hold
    // the test as it holds the user; those the browser keeps off the screen are its own.
    bool eventFilter(QObject *watched, QEvent *event) override {
        auto *window = event->type() == QEvent::Show ? qobject_cast<QWidget *>(watched) : nullptr;
        if (window && window->isWindow() && window != &host_)
            QTimer::singleShot(0, window, [this, window] {
                if (!window->windowHandle() || !window->windowHandle()->isVisible())
                    return;
                shown_ << QStringLiteral("%1 \"%2\"")
                              .arg(window->metaObject()->className(), window->windowTitle());
                // A message box without an escape button would ignore close().
                if (auto *dialog = qobject_cast<QDialog *>(window))
                    dialog->reject();
                else
                    window->close();
            });
        return false;
    }

private:
    QUrl url(const char *path) const { return server_.url(QString::fromLatin1(path)); }
    // Whether the page at path loads and paints, once go (by default navigate()) has set it off.
    bool load(HttpServer &server, const char *path, const std::function<void()> &go = {}) {
        const QUrl url = server.url(QString::fromLatin1(path));
        const int before = server.hits("/painted");
        QSignalSpy finished(browser_, &Browser::loadFinished);
        go ? go() : browser_->navigate(url);
        return loadSucceeded(finished) && browser_->url() == url && painted(server, before);
    }
    // A click that reaches the server: from home, where the link fills the view.
    bool clickRequests(const QByteArray &path) {
        const int before = server_.hits(path);
        return clickUntil(browser_, [&] { return server_.hits(path) > before; });
    }
    // Refresh, as the button does it. Once home has painted, a second load would have ended.
    void refresh(const char *home = "/") {
        const int homeHits = server_.hits("/"), cssHits = server_.hits("/style.css");
        QSignalSpy finished(browser_, &Browser::loadFinished);
        browser_->navigate(url(home));
        browser_->reloadFromSource();
        QVERIFY(loadSucceeded(finished));
        QTRY_VERIFY_WITH_TIMEOUT(
            server_.hits("/") > homeHits && server_.requestedAfter("/", "/painted"), 10000);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(browser_->url(), url("/"));
        QVERIFY(server_.hits("/style.css") > cssHits);
    }

    // A plain server, a TLS server the engine trusts, and one it does not.
    HttpServer server_, tls_{HttpServer::Https}, untrusted_{HttpServer::Https};
    QWidget host_;
    Browser *browser_ = nullptr;
    QStringList shown_; // windows that reached the screen, mail that would have been sent
    const QByteArrayList unreachable_{"/popup", "/source", "/plain"};

private slots:
    void initTestCase() {
        for (HttpServer *server : {&server_, &tls_, &untrusted_})
            QVERIFY2(server->listen(), qPrintable(server->error()));
        const decltype(HttpServer::Response::headers) cached = {{"Cache-Control", "max-age=3600"}};
        server_.route("/", {.body = page("home", "<a href=/next>next</a>",
                                         "<link rel=stylesheet href=/style.css>"),
                            .headers = cached});
        server_.route(
            "/style.css",
            {.body = "body{background:#cde}", .contentType = "text/css", .headers = cached});
        server_.route("/next", {.body = page("next", "<a href=/>home</a>")});
        server_.route("/slow", {.body = page("slow", "slow"), .delayMs = 3000});
        server_.route("/slowlink", {.body = page("slowlink", "<a href=/slow>slow</a>")});
        for (const QByteArray &path : unreachable_)
            server_.route(path, {.body = page(path.mid(1), path.mid(1))});
        server_.route("/to-home", {.body = {}, .headers = {{"Location", "/"}}, .status = 302});
        server_.route("/download",
                      {.body = "payload",
                       .contentType = "application/octet-stream",
                       .headers = {{"Content-Disposition", "attachment; filename=x.bin"}}});
        // Keeps every block it writes, and reports its MiB.
        const QByteArray grow = "<script>let kept = [], mib = 0; setTimeout(function grow() { "
                                "kept.push(new Uint8Array(64 << 20).fill(1)); fetch('/grew?' + "
                                "(mib += 64)); if (mib < 4096) setTimeout(grow, 100); })</script>";
        server_.route("/grow", {.body = page("grow", grow)});
        server_.route("/sign-in", {.body = page("sign-in", "no entry"),
                                   .headers = {{"WWW-Authenticate", "Basic realm=\"news\""}},
                                   .status = 401});

        tls_.route("/", {.body = page("secure", "secure")});
        const QByteArray plain = url("/plain").toEncoded();
        tls_.route("/to-plain", {.body = {}, .headers = {{"Location", plain}}, .status = 302});
        tls_.route("/after", {.body = page("after", "after")});
        // The engine, which starts below, trusts the one server's key as a user who checked it.
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + tls_.trustSwitch());

        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "openMail");
        host_.resize(640, 480);
        qApp->installEventFilter(this);
        browser_ = engine(&host_);
        QVERIFY(browser_);
        browser_->widget()->setGeometry(host_.rect());
        host_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host_));
        QVERIFY(load(server_, "/"));
    }

    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        delete browser_;
    }

    // Without this the refresh test could not tell a fresh load from a plain one.
    void plainNavigationUsesCache() {
        QVERIFY(load(server_, "/next"));
        const int homeHits = server_.hits("/");
        QVERIFY(load(server_, "/"));
        QCOMPARE(server_.hits("/"), homeHits);
    }

    void refreshEndsOnFreshHome_data() {
        const RefreshRow rows[] = {
            {"on home", Before::OnHome},
            {"after following a link", Before::AfterLink},
            {"while navigate() is loading", Before::DuringNavigate},
            {"while a clicked link is loading", Before::DuringLinkLoad, "/slowlink"},
            {"home redirects", Before::AfterLink, "/", "/to-home"},
            {"home spelt without its slash", Before::AfterLink, "/", ""},
            {"after the renderer died", Before::RendererDied},
            {"after the renderer outgrew its memory", Before::Outgrew, "/grow"}};
        addRows(rows);
    }

    void refreshEndsOnFreshHome() {
        QFETCH(RefreshRow, row);
        QSignalSpy notices(browser_, &Browser::notice);
        QVERIFY(load(server_, row.start));
        if (row.before == Before::AfterLink) {
            QVERIFY(load(server_, "/next", [&] { QVERIFY(clickRequests("/next")); }));
        } else if (row.before == Before::DuringNavigate) {
            browser_->navigate(url("/slow"));
        } else if (row.before == Before::DuringLinkLoad) {
            QVERIFY(clickRequests("/slow"));
        } else if (row.before == Before::RendererDied) {
            QVERIFY(killRenderers(browser_) > 0);
            QVERIFY(notices.wait(10000));
        } else if (row.before == Before::Outgrew) {
            // The page grows 640 MiB a second up to 4 GiB unless its renderer is ended, and
            // reports each 64 MiB until then; only this row loads it.
            QVERIFY2(notices.wait(15000), "the renderer was not ended");
            const int mib = server_.hits("/grew") * 64;
            QVERIFY2(mib >= 512 && mib < 1536, qPrintable(QString::number(mib)));
            QCOMPARE(notices.count(), 1);
            QCOMPARE(notices.first().first(), stoppedWorking);
        }
        refresh(row.home);
    }

    void refuses_data() {
        // The pages the rows click report by a request once the click has had its effect.
        const QByteArray report = " onclick=\"setTimeout(() => fetch('/clicked'))\"";
        const auto onClick = [](const QByteArray &script) {
            return "<div onclick=\"" + script + "\">click</div>";
        };
        const QByteArray fill = " style=\"width:100%;height:100%\"";
        const QString notOverHttps = "This page is not available over HTTPS, so it is not shown.",
                      leftHttps = "The site tried to leave HTTPS, so its page is not shown.";
        QTest::addColumn<Refusal>("row");
        const auto row = [](const char *tag, const QByteArray &page, const QByteArray &clicked,
                            const QUrl &target = {}, const QUrl &endsOn = {},
                            const QString &notice = {}) {
            QTest::newRow(tag) << Refusal{page, clicked, target, endsOn, notice, false};
        };
        row("file url", {}, {}, QUrl(QStringLiteral("file:///etc/hostname")));
        row("view-source url", {}, {}, QUrl("view-source:" + url("/source").toString()));
        row("about url", {}, {}, QUrl(QStringLiteral("about:blank")));
        row("chrome url", {}, {}, QUrl(QStringLiteral("chrome://version")));
        row("mailto link", "<a href=mailto:x@example.invalid" + report + ">mail</a>", "/clicked");
        row("target=_blank link", "<a href=/popup target=_blank" + report + ">new</a>", "/clicked");
        row("window.open", onClick("window.open('/popup'); fetch('/opened')"), "/opened");
        row("download", {}, {}, url("/download"));
        row("alert() loop", onClick("for (let i = 0; i < 20; ++i) alert(i); fetch('/alerted')"),
            "/alerted");
        row("confirm()", onClick("fetch('/confirmed-' + confirm('Sure?'))"), "/confirmed-true");
        row("prompt()", onClick("fetch('/prompted-' + prompt('Name?', 'x'))"), "/prompted-null");
        // The leave-page question is asked only of a page the user has touched.
        row("leave-page handler",
            onClick("onbeforeunload = e => { e.preventDefault(); return e.returnValue = 'Stay?'; "
                    "}; fetch('/armed')"),
            "/armed", url("/next"), url("/next"));
        row("<input type=file> clicked", "<input type=file" + fill + report + ">", "/clicked");
        // Says its value once a refused picker would have been long gone.
        row("<input type=color> clicked",
            "<input type=color value=#123456" + fill +
                " onclick=\"setTimeout(() => fetch('/colour-' + this.value.slice(1)), 500)\">",
            "/colour-123456");
        row("notification permission",
            onClick("Notification.requestPermission().then(p => fetch('/permission-' + p))"),
            "/permission-denied");
        row("sign-in asked", {}, {}, url("/sign-in"), url("/sign-in"));
        row("https page redirecting to http", {}, {}, tls_.url("/to-plain"), {}, leftHttps);
        row("bad certificate", {}, {}, untrusted_.url("/"), untrusted_.url("/"));

        // Once on https, no way leads to plain http: the address is upgraded, or, where there is no
        // https or a form would post to http, one line says so. The pages leave for the plain
        // server or for the TLS server's own port.
        const QByteArray plain = url("/plain").toEncoded(),
                         away = tls_.url("/after").toEncoded().replace("https:", "http:");
        const QUrl after = tls_.url("/after"),
                   upgraded = QUrl(url("/plain").toString().replace("http:", "https:"));
        const auto secure = [&](const char *tag, const QByteArray &page, const QUrl &endsOn,
                                const QByteArray &clicked = {}) {
            const QString notice = endsOn == after ? QString() : notOverHttps;
            QTest::newRow(tag) << Refusal{page, clicked, {}, endsOn, notice, true};
        };
        const auto soon = [](const QByteArray &script) {
            return "<script>setTimeout(() => " + script + ", 200)</script>";
        };
        secure("https: script sets location", soon("location.href = '" + plain + "'"), upgraded);
        secure("https: scripted click on a link",
               "<a id=away href=" + away + ">away</a>" + soon("away.click()"), after);
        secure("https: form submits itself",
               "<form method=post action=" + plain + "><input name=news value=old></form>" +
                   soon("document.forms[0].submit()"),
               url("/plain"));
        secure("https: frame sets top.location",
               "<iframe srcdoc=\"" + soon("top.location = '" + away + "'") + "\"></iframe>", after);
        secure("https: user clicks a link", "<a href=" + plain + report + ">plain</a>", upgraded,
               "/clicked");
    }

    // Each row waits for the end of what it sets off, then finds no window, dialog or page it
    // should not have, and nothing holding the window: it closes, and Refresh reaches the server.
    void refuses() {
        QFETCH(Refusal, row);
        HttpServer &server = row.secure ? tls_ : server_;
        server.route("/refusal", {.body = page("refusal", row.page)});
        QVERIFY(load(server, "/refusal"));
        shown_.clear();
        QSignalSpy notices(browser_, &Browser::notice);
        const QUrl endsOn = row.endsOn.isEmpty() ? browser_->url() : row.endsOn;
        const int noticed = row.notice.isEmpty() ? 0 : 1;
        // A link the click leaves by may take its report down with the page: its notice will do.
        const int reported = server.hits(row.clicked);
        if (!row.clicked.isEmpty())
            QVERIFY(clickUntil(browser_, [&] {
                return server.hits(row.clicked) > reported || notices.count() > 0;
            }));
        if (!row.target.isEmpty()) {
            QSignalSpy finished(browser_, &Browser::loadFinished);
            browser_->navigate(row.target);
            QVERIFY(finished.wait(10000));
        }
        // TLS pages leave a moment after loading. The one fixed wait: a refused attempt ends in no
        // event of its own; a plain request or a second notice would follow the first, if at all.
        QVERIFY(QTest::qWaitFor(
            [&] { return browser_->url() == endsOn && notices.count() == noticed; }, 10000));
        if (row.secure)
            QTest::qWait(300);
        QVERIFY2(shown_.isEmpty(), qPrintable(shown_.join(QStringLiteral(", "))));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(browser_->url(), endsOn);
        for (const QByteArray &path : unreachable_)
            QCOMPARE(server_.hits(path), 0);
        QCOMPARE(untrusted_.hits("/"), 0);
        QCOMPARE(notices.count(), noticed);
        QCOMPARE(notices.value(0).value(0).toString(), row.notice);
        QVERIFY(host_.close());
        host_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&host_));
        refresh();
    }

    // The engine answers a file input by a call queued with nothing tying it to the page, as
    // QTimer::singleShot(0, functor) is here; whatever ends the page meanwhile, the call finds it.
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
        const QPointer<QObject> watched = enginePages(browser).value(0);
        QVERIFY(watched);
        QSignalSpy finished(browser, &Browser::loadFinished);
        if (!wholeBrowser)
            browser->reloadFromSource();
        std::optional<bool> found;
        QTimer::singleShot(0, [&] { found = !watched.isNull(); });
        // The program's own event loop, where a replaced page is deleted in turn with the call.
        if (wholeBrowser)
            delete browser;
        else
            QVERIFY(finished.wait(10000));
        QTRY_VERIFY(found.has_value());
        QVERIFY(*found);
    }

    // The engine writes (its certificate store first) to an owner-only folder in the runtime
    // folder; env/as-user, which runs this test, finds both that and HOME empty at the end.
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

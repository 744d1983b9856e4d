#include "engine_pages.h"
#include "http_server.h"
#include "lumatic_test.h"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"
#include "windows/news/engine_process.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDirIterator>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumatic;
using lumatic::test::page;

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

// Accepts the certificate of one server on each page of the browser, as a user who checked it
// would; every other certificate meets the browser's own refusal. The tests, like the program,
// map the engine only through the module, so its page's hook is reached through the
// meta-object system, the way QSignalSpy listens: a slot that exists only in qt_metacall().
class CertificateTrust : public QObject {
public:
    explicit CertificateTrust(QUrl server) : server_(std::move(server)) {}

    void watch(Browser *browser) {
        for (QObject *page : enginePages(browser)) {
            if (pages_.contains(page))
                continue;
            const QMetaObject *meta = page->metaObject();
            const int signal = meta->indexOfSignal("certificateError(QWebEngineCertificateError)");
            QVERIFY(signal >= 0);
            error_ = meta->method(signal).parameterMetaType(0).metaObject();
            QVERIFY(error_);
            QVERIFY(QMetaObject::connect(
                page, signal, this, QObject::staticMetaObject.methodCount(), Qt::DirectConnection));
            pages_ << page;
        }
    }

    int qt_metacall(QMetaObject::Call call, int id, void **arguments) override {
        id = QObject::qt_metacall(call, id, arguments);
        if (id < 0 || call != QMetaObject::InvokeMetaMethod)
            return id;
        if (id == 0)
            decide(arguments[1]);
        return id - 1;
    }

private:
    void decide(void *error) {
        const QUrl url =
            error_->property(error_->indexOfProperty("url")).readOnGadget(error).toUrl();
        if (url.host() != server_.host() || url.port() != server_.port())
            return;
        error_->method(error_->indexOfMethod("acceptCertificate()")).invokeOnGadget(error);
    }

    QUrl server_;
    const QMetaObject *error_ = nullptr;
    QList<QPointer<QObject>> pages_;
};

} // namespace

class TestWebBrowser : public QObject {
    Q_OBJECT

public:
    enum class Before {
        OnHome,
        AfterLink,
        DuringNavigate,
        DuringLinkLoad,
        RendererDied,
        OutgrewMemory
    };
    Q_ENUM(Before)

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plainNavigationUsesCache();
    void refreshEndsOnFreshHome_data();
    void refreshEndsOnFreshHome();
    void refuses_data();
    void refuses();
    void staysOnHttps_data();
    void staysOnHttps();
    void deniesPermissions();
    void keepsItsFilesInAPrivateHome();

private:
    QUrl url(const char *path) const { return server_.url(QString::fromLatin1(path)); }
    // Requests for the URL's path seen by whichever of the servers it names.
    int hits(const QUrl &url) const;
    bool load(const char *path) { return load(server_, path); }
    bool load(HttpServer &server, const char *path);
    bool followLinkToNext();
    void click();
    bool clickUntil(const std::function<bool()> &happened);
    bool waitUntilPainted(int paintedBefore, const HttpServer &server);

    HttpServer server_;
    // A TLS server whose certificate the tests trust, and one whose they do not.
    std::unique_ptr<HttpServer> tls_, untrusted_;
    std::unique_ptr<CertificateTrust> trust_;
    ExternalOpener mailer_;
    QWidget *host_ = nullptr;
    Browser *browser_ = nullptr;
};

int TestWebBrowser::hits(const QUrl &url) const {
    for (const HttpServer *server :
         std::initializer_list<const HttpServer *>{&server_, tls_.get(), untrusted_.get()})
        if (server->url(QString()).port() == url.port())
            return server->hits(url.path().toUtf8());
    return -1;
}

bool TestWebBrowser::waitUntilPainted(int paintedBefore, const HttpServer &server) {
    return QTest::qWaitFor([&] { return server.hits("/painted") > paintedBefore; }, 10000);
}

bool TestWebBrowser::load(HttpServer &server, const char *path) {
    const QUrl url = server.url(QString::fromLatin1(path));
    const int painted = server.hits("/painted");
    trust_->watch(browser_);
    QSignalSpy finished(browser_, &Browser::loadFinished);
    browser_->navigate(url);
    return finished.wait(10000) && finished.first().first().toBool() && browser_->url() == url &&
           waitUntilPainted(painted, server);
}

void TestWebBrowser::click() {
    QWidget *target = browser_->widget()->focusProxy();
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}

// A click on a view that has just been made or shown again can be lost: click until what it
// sets off has happened.
bool TestWebBrowser::clickUntil(const std::function<bool()> &happened) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        click();
        if (QTest::qWaitFor(happened, 1000))
            return true;
    }
    return false;
}

// From home, where the link fills the view; the link's load can take a second or two to end.
bool TestWebBrowser::followLinkToNext() {
    const int painted = server_.hits("/painted");
    const int requested = server_.hits("/next");
    QSignalSpy finished(browser_, &Browser::loadFinished);
    return clickUntil([&] { return server_.hits("/next") > requested; }) &&
           (!finished.isEmpty() || finished.wait(10000)) && finished.first().first().toBool() &&
           waitUntilPainted(painted, server_);
}

void TestWebBrowser::initTestCase() {
    QVERIFY(server_.listen());
    const QByteArray css = "<link rel=stylesheet href=/style.css>";
    // Pages that the refusal rows click report with a request that the click has had its
    // effect, so that the rows wait for that rather than for a while.
    const QByteArray reportClick = " onclick=\"setTimeout(() => fetch('/clicked'))\"";
    server_.route("/", cacheable({.body = page("home", "<a href=/next>next</a>", css)}));
    server_.route("/style.css",
                  cacheable({.body = "body{background:#cde}", .contentType = "text/css"}));
    // Not cacheable: a click on home's link shows as a request.
    server_.route("/next", {.body = page("next", "<a href=/>home</a>")});
    server_.route("/slow", {.body = page("slow", "slow"), .delayMs = 3000});
    server_.route("/slowlink", {.body = page("slowlink", "<a href=/slow>slow</a>")});
    server_.route("/blank", {.body = page("blank", "<a href=/popup target=_blank" + reportClick +
                                                       ">popup</a>")});
    server_.route("/open", {.body = page("open", "<div onclick=\"window.open('/popup'); "
                                                 "fetch('/opened')\">open</div>")});
    server_.route("/mailto", {.body = page("mailto", "<a href=mailto:nobody@example.invalid" +
                                                         reportClick + ">mail</a>")});
    server_.route("/popup", {.body = page("popup", "popup")});
    server_.route("/to-home", {.body = {}, .headers = {{"Location", "/"}}, .status = 302});
    server_.route("/painted", {.body = "", .contentType = "text/plain"});
    server_.route("/download",
                  {.body = "payload",
                   .contentType = "application/octet-stream",
                   .headers = {{"Content-Disposition", "attachment; filename=x.bin"}}});
    server_.route("/notify",
                  {.body = page("notify", "<div onclick=\"Notification.requestPermission()"
                                          ".then(p => fetch('/permission-' + p))\">ask</div>")});
    server_.route("/alert", {.body = page("alert", "<div onclick=\"for (let i = 0; i < 20; ++i) "
                                                   "alert(i); fetch('/alerted')\">alert</div>")});
    server_.route("/confirm", {.body = page("confirm", "<div onclick=\"fetch('/confirmed-' + "
                                                       "confirm('Sure?'))\">confirm</div>")});
    server_.route("/prompt", {.body = page("prompt", "<div onclick=\"fetch('/prompted-' + "
                                                     "prompt('Name?', 'x'))\">prompt</div>")});
    // The leave-page question is asked only of a page the user has touched.
    server_.route("/leave", {.body = page("leave", "<div onclick=\"onbeforeunload = e => { "
                                                   "e.preventDefault(); return e.returnValue = "
                                                   "'Stay?'; }; fetch('/armed')\">leave</div>")});
    server_.route("/file",
                  {.body = page("file", "<input type=file style=\"width:100%;height:100%\"" +
                                            reportClick + ">")});
    // Says its value once a refused picker would have been long gone.
    server_.route("/colour", {.body = page("colour", "<input type=color value=#123456 "
                                                     "style=\"width:100%;height:100%\" onclick=\""
                                                     "setTimeout(() => fetch('/colour-' + "
                                                     "this.value.slice(1)), 500)\">")});
    // Keeps every block it writes, and says how far it has come in MiB.
    const QByteArray grow = "<script>let kept = [], mib = 0; setTimeout(function grow() { "
                            "const block = new Uint8Array(64 << 20); "
                            "for (let i = 0; i < block.length; i += 4096) block[i] = 1; "
                            "kept.push(block); fetch('/grew?' + (mib += 64)); "
                            "if (mib < 4096) setTimeout(grow, 100); })</script>";
    server_.route("/grow", {.body = page("grow", grow)});
    server_.route("/source", {.body = page("source", "source")});
    server_.route("/plain", {.body = page("plain", "plain")});
    server_.route("/sign-in", {.body = page("sign-in", "no entry"),
                               .headers = {{"WWW-Authenticate", "Basic realm=\"news\""}},
                               .status = 401});

    // Certificates of their own: the engine remembers a trusted one for its host, any port.
    QString error;
    const QSslConfiguration tls = HttpServer::selfSignedTls(&error);
    QVERIFY2(!tls.isNull(), qPrintable(error));
    const QSslConfiguration untrusted = HttpServer::selfSignedTls(&error);
    QVERIFY2(!untrusted.isNull(), qPrintable(error));
    tls_ = std::make_unique<HttpServer>(tls);
    untrusted_ = std::make_unique<HttpServer>(untrusted);
    QVERIFY(tls_->listen() && untrusted_->listen());
    tls_->route("/", {.body = page("secure", "secure")});
    tls_->route("/painted", {.body = "", .contentType = "text/plain"});
    tls_->route("/to-plain",
                {.body = {}, .headers = {{"Location", url("/plain").toEncoded()}}, .status = 302});
    untrusted_->route("/", {.body = page("untrusted", "untrusted")});
    // Pages that leave for plain http, to the plain server or to the TLS server's own port.
    const QByteArray plain = url("/plain").toEncoded(),
                     after =
                         "http://127.0.0.1:" + QByteArray::number(tls_->url("/").port()) + "/after",
                     soon = "<script>setTimeout(() => ";
    tls_->route("/after", {.body = page("after", "after")});
    tls_->route("/script",
                {.body = page("script", soon + "location.href = '" + plain + "', 200)</script>")});
    tls_->route("/scripted-click",
                {.body = page("scripted-click", "<a id=away href=" + after + ">away</a>" + soon +
                                                    "document.getElementById('away').click(), "
                                                    "200)</script>")});
    tls_->route("/form", {.body = page("form", "<form method=post action=" + plain +
                                                   "><input name=news value=old></form>" + soon +
                                                   "document.forms[0].submit(), 200)</script>")});
    tls_->route("/framed", {.body = page("framed", "<iframe src=/frame></iframe>")});
    tls_->route("/frame", {.body = soon + "top.location = '" + after + "', 200)</script>"});
    tls_->route("/link", {.body = page("link", "<a href=" + plain + ">plain</a>")});
    trust_ = std::make_unique<CertificateTrust>(tls_->url("/"));

    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailer_, "open");

    host_ = new QWidget;
    host_->resize(640, 480);
    browser_ = loadBrowser(host_, {QStringLiteral(LUMATIC_TEST_WEB_MODULE)}, &error);
    QVERIFY2(browser_, qPrintable(error));
    browser_->widget()->setGeometry(host_->rect());
    host_->show();
    QVERIFY(QTest::qWaitForWindowExposed(host_));
    browser_->navigate(url("/"));
    QTRY_COMPARE_WITH_TIMEOUT(server_.hits("/painted"), 1, 10000);
    QCOMPARE(browser_->url(), url("/"));
}

void TestWebBrowser::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    delete host_;
}

// Without this the refresh test could not tell a fresh load from a plain one.
void TestWebBrowser::plainNavigationUsesCache() {
    QVERIFY(load("/"));
    QVERIFY(load("/next"));
    const int homeHits = server_.hits("/");
    QVERIFY(load("/"));
    QCOMPARE(server_.hits("/"), homeHits);
}

// What the Refresh button does: navigate home, then reload from the server.
void TestWebBrowser::refreshEndsOnFreshHome_data() {
    QTest::addColumn<Before>("before");
    QTest::addColumn<QByteArray>("home");

    QTest::newRow("on home") << Before::OnHome << QByteArray("/");
    QTest::newRow("after following a link") << Before::AfterLink << QByteArray("/");
    QTest::newRow("while navigate() is loading") << Before::DuringNavigate << QByteArray("/");
    QTest::newRow("while a clicked link is loading") << Before::DuringLinkLoad << QByteArray("/");
    QTest::newRow("home redirects") << Before::AfterLink << QByteArray("/to-home");
    QTest::newRow("home spelt without its slash") << Before::AfterLink << QByteArray("");
    QTest::newRow("after the renderer died") << Before::RendererDied << QByteArray("/");
    QTest::newRow("after the renderer outgrew its memory")
        << Before::OutgrewMemory << QByteArray("/");
}

void TestWebBrowser::refreshEndsOnFreshHome() {
    QFETCH(Before, before);
    QFETCH(QByteArray, home);

    const char *start = "/";
    if (before == Before::DuringLinkLoad)
        start = "/slowlink";
    else if (before == Before::OutgrewMemory)
        start = "/grow";
    const int grewBefore = server_.hits("/grew");
    QSignalSpy notices(browser_, &Browser::notice);
    QVERIFY(load(start));
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
    case Before::DuringLinkLoad: {
        const int slowHits = server_.hits("/slow");
        QVERIFY(clickUntil([&] { return server_.hits("/slow") > slowHits; }));
        break;
    }
    case Before::RendererDied:
        QVERIFY(killRenderers(browser_) > 0);
        QVERIFY(notices.wait(10000));
        break;
    case Before::OutgrewMemory: {
        // The page grows 640 MiB a second up to 4 GiB unless its renderer is ended: its
        // reports stop well before that.
        int grew = 0;
        for (int still = 0; still < 5; still = grew == server_.hits("/grew") ? still + 1 : 0) {
            grew = server_.hits("/grew");
            QTest::qWait(200);
            QVERIFY2(grew - grewBefore < 64, "the page reached 4 GiB");
        }
        const int mib = (grew - grewBefore) * 64;
        QVERIFY2(mib >= 512 && mib < 1536, qPrintable(QString::number(mib)));
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().first(), "The page stopped working; Refresh loads it again.");
        break;
    }
    }

    const int homeHits = server_.hits("/");
    const int cssHits = server_.hits("/style.css");
    QSignalSpy finished(browser_, &Browser::loadFinished);
    browser_->navigate(url(home.constData()));
    browser_->reloadFromSource();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QTest::qWait(300); // room for a stray second load to show
    QCOMPARE(finished.count(), 1);
    QVERIFY(finished.first().first().toBool());
    QCOMPARE(browser_->url(), url("/"));
    QVERIFY(server_.hits("/") > homeHits);
    QVERIFY(server_.hits("/style.css") > cssHits);
}

void TestWebBrowser::refuses_data() {
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<bool>("click");         // the page, before the navigation if there is one
    QTest::addColumn<QByteArray>("clicked"); // the request that says the click took effect
    QTest::addColumn<QUrl>("target");        // navigated to, if given
    QTest::addColumn<QUrl>("neverRequested");
    QTest::addColumn<QUrl>("endsOn");
    QTest::addColumn<bool>("notice");

    const QUrl none, home = url("/");
    QTest::newRow("file url") << QByteArray("/") << false << QByteArray()
                              << QUrl(QStringLiteral("file:///etc/hostname")) << none << home
                              << false;
    QTest::newRow("view-source url")
        << QByteArray("/") << false << QByteArray()
        << QUrl(QStringLiteral("view-source:") + url("/source").toString()) << url("/source")
        << home << false;
    QTest::newRow("about url") << QByteArray("/") << false << QByteArray()
                               << QUrl(QStringLiteral("about:blank")) << none << home << false;
    QTest::newRow("chrome url") << QByteArray("/") << false << QByteArray()
                                << QUrl(QStringLiteral("chrome://version")) << none << home
                                << false;
    QTest::newRow("mailto link") << QByteArray("/mailto") << true << QByteArray("/clicked") << none
                                 << none << url("/mailto") << false;
    QTest::newRow("target=_blank link") << QByteArray("/blank") << true << QByteArray("/clicked")
                                        << none << url("/popup") << url("/blank") << false;
    QTest::newRow("window.open") << QByteArray("/open") << true << QByteArray("/opened") << none
                                 << url("/popup") << url("/open") << false;
    QTest::newRow("download") << QByteArray("/") << false << QByteArray() << url("/download")
                              << none << home << false;
    QTest::newRow("alert() loop") << QByteArray("/alert") << true << QByteArray("/alerted") << none
                                  << none << url("/alert") << false;
    QTest::newRow("confirm()") << QByteArray("/confirm") << true << QByteArray("/confirmed-true")
                               << none << none << url("/confirm") << false;
    QTest::newRow("prompt()") << QByteArray("/prompt") << true << QByteArray("/prompted-null")
                              << none << none << url("/prompt") << false;
    QTest::newRow("leave-page handler") << QByteArray("/leave") << true << QByteArray("/armed")
                                        << url("/next") << none << url("/next") << false;
    QTest::newRow("<input type=file> clicked")
        << QByteArray("/file") << true << QByteArray("/clicked") << none << none << url("/file")
        << false;
    QTest::newRow("<input type=color> clicked")
        << QByteArray("/colour") << true << QByteArray("/colour-123456") << none << none
        << url("/colour") << false;
    QTest::newRow("sign-in asked") << QByteArray("/") << false << QByteArray() << url("/sign-in")
                                   << none << url("/sign-in") << false;
    QTest::newRow("https page redirecting to http")
        << QByteArray("/") << false << QByteArray() << tls_->url("/to-plain") << url("/plain")
        << home << true;
    QTest::newRow("bad certificate")
        << QByteArray("/") << false << QByteArray() << untrusted_->url("/") << untrusted_->url("/")
        << untrusted_->url("/") << false;
}

// Each row waits for the event that ends what it sets off (the load's end, or a request from
// the page), and then finds no window, no dialog and no page it should not have.
void TestWebBrowser::refuses() {
    QFETCH(QByteArray, start);
    QFETCH(bool, click);
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
    if (click) {
        const int before = server_.hits(clicked);
        QVERIFY(clickUntil([&] { return server_.hits(clicked) > before; }));
    }
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

// Once on https, the page goes to plain http by no way at all: the address is upgraded, and what
// the server at the upgraded address says follows, or, where it has no https, or where a form
// would post to plain http, one line saying so.
void TestWebBrowser::staysOnHttps_data() {
    QTest::addColumn<QByteArray>("start"); // on the TLS server
    QTest::addColumn<bool>("click");
    QTest::addColumn<QByteArray>("follows"); // requested from the TLS server, if given

    QTest::newRow("script sets location") << QByteArray("/script") << false << QByteArray();
    QTest::newRow("scripted click on a link")
        << QByteArray("/scripted-click") << false << QByteArray("/after");
    QTest::newRow("form submits itself") << QByteArray("/form") << false << QByteArray();
    QTest::newRow("frame sets top.location")
        << QByteArray("/framed") << false << QByteArray("/after");
    QTest::newRow("user clicks a link") << QByteArray("/link") << true << QByteArray();
}

void TestWebBrowser::staysOnHttps() {
    QFETCH(QByteArray, start);
    QFETCH(bool, click);
    QFETCH(QByteArray, follows);

    const int plainHits = server_.hits("/plain"), followed = tls_->hits(follows);
    QSignalSpy notices(browser_, &Browser::notice);
    QVERIFY(load(*tls_, start.constData()));
    const auto happened = [&] { return !notices.isEmpty() || tls_->hits(follows) > followed; };
    if (click)
        QVERIFY(clickUntil(happened));
    QVERIFY(QTest::qWaitFor(happened, 10000));
    QTest::qWait(300); // room for a plain request or a second notice
    QCOMPARE(server_.hits("/plain"), plainHits);
    if (follows.isEmpty()) {
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.first().first(),
                 "This page is not available over HTTPS, so it is not shown.");
    } else {
        QCOMPARE(notices.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(browser_->url(), tls_->url(QString::fromLatin1(follows)), 10000);
    }
}

void TestWebBrowser::deniesPermissions() {
    QVERIFY(load("/notify"));
    QVERIFY(clickUntil([&] { return server_.hits("/permission-denied") > 0; }));
}

// What the engine writes, its certificate store first of all, goes to an owner-only folder of
// its own in the runtime folder; main() finds HOME empty and the folder gone once the process
// has ended.
void TestWebBrowser::keepsItsFilesInAPrivateHome() {
    const int painted = tls_->hits("/painted");
    QSignalSpy finished(browser_, &Browser::loadFinished);
    trust_->watch(browser_);
    browser_->navigate(tls_->url("/"));
    QVERIFY(finished.wait(10000));
    QVERIFY(finished.first().first().toBool());
    QTRY_VERIFY_WITH_TIMEOUT(tls_->hits("/painted") > painted, 10000);

    const QString home = qEnvironmentVariable("HOME");
    QCOMPARE(QFileInfo(home).path(), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    struct stat status {};
    QCOMPARE(::stat(QFile::encodeName(home).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0700u);
    QVERIFY(QFileInfo::exists(home + QStringLiteral("/.pki/nssdb")));
}

namespace {

QStringList entriesUnder(const QString &folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next();
    return entries;
}

// The tests in a child process with HOME and the runtime folder empty and of their own: once it
// has ended, the engine has written nothing under HOME, no file and no folder, and its private
// home under the runtime folder is gone. The child goes through TLS handshakes, shows pages,
// and loses a renderer, which is where the engine writes.
int underTemporaryHomes(char *argv[]) {
    QTemporaryDir home, runtime;
    if (!home.isValid() || !runtime.isValid())
        return 2;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    for (const char *name :
         {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);
    qputenv("LUMATIC_TEST_HOMES", "1");
    const pid_t child = fork();
    if (child == 0) {
        execv("/proc/self/exe", argv);
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return 2;
    int result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    for (const auto &[folder, what] : {std::pair{home.path(), "Written under HOME"},
                                       std::pair{runtime.path(), "Left in the runtime folder"}})
        if (const QStringList entries = entriesUnder(folder); !entries.isEmpty()) {
            qCritical("FAIL! %s:\n  %s", what, qPrintable(entries.join(QStringLiteral("\n  "))));
            result = result ? result : 1;
        }
    return result;
}

} // namespace

int main(int argc, char *argv[]) {
    test::allowRootWithoutSandbox();
    if (!qEnvironmentVariableIsSet("LUMATIC_TEST_HOMES"))
        return underTemporaryHomes(argv);

    prepareEngineProcess();
    QApplication app(argc, argv);
    TestWebBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_web_browser.moc"

#include "engine_pages.h"
#include "http_server.h"
#include "lumatic_test.h"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDirIterator>
#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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
    enum class Before { OnHome, AfterLink, DuringNavigate, DuringLinkLoad };
    Q_ENUM(Before)

private slots:
    void initTestCase();
    void cleanupTestCase();
    void plainNavigationUsesCache();
    void refreshEndsOnFreshHome_data();
    void refreshEndsOnFreshHome();
    void refuses_data();
    void refuses();
    void deniesPermissions();
    void keepsItsFilesInAPrivateHome();

private:
    QUrl url(const char *path) const { return server_.url(QString::fromLatin1(path)); }
    bool load(const char *path);
    bool clickAndWait();
    void click();
    bool waitUntilPainted(int paintedBefore);

    HttpServer server_;
    // A TLS server whose certificate the tests trust.
    std::unique_ptr<HttpServer> tls_;
    std::unique_ptr<CertificateTrust> trust_;
    ExternalOpener mailer_;
    QWidget *host_ = nullptr;
    Browser *browser_ = nullptr;
};

bool TestWebBrowser::waitUntilPainted(int paintedBefore) {
    return QTest::qWaitFor([&] { return server_.hits("/painted") > paintedBefore; }, 10000);
}

bool TestWebBrowser::load(const char *path) {
    const int painted = server_.hits("/painted");
    QSignalSpy finished(browser_, &Browser::loadFinished);
    browser_->navigate(url(path));
    return finished.wait(10000) && finished.first().first().toBool() &&
           browser_->url() == url(path) && waitUntilPainted(painted);
}

void TestWebBrowser::click() {
    QWidget *target = browser_->widget()->focusProxy();
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}

bool TestWebBrowser::clickAndWait() {
    const int painted = server_.hits("/painted");
    QSignalSpy finished(browser_, &Browser::loadFinished);
    click();
    return finished.wait(10000) && finished.first().first().toBool() && waitUntilPainted(painted);
}

void TestWebBrowser::initTestCase() {
    QVERIFY(server_.listen());
    const QByteArray css = "<link rel=stylesheet href=/style.css>";
    server_.route("/", cacheable({.body = page("home", "<a href=/next>next</a>", css)}));
    server_.route("/style.css",
                  cacheable({.body = "body{background:#cde}", .contentType = "text/css"}));
    server_.route("/next", cacheable({.body = page("next", "<a href=/>home</a>")}));
    server_.route("/slow", {.body = page("slow", "slow"), .delayMs = 3000});
    server_.route("/slowlink", {.body = page("slowlink", "<a href=/slow>slow</a>")});
    server_.route("/blank", {.body = page("blank", "<a href=/popup target=_blank>popup</a>")});
    server_.route("/open",
                  {.body = page("open", "<div onclick=\"window.open('/popup')\">open</div>")});
    server_.route("/mailto",
                  {.body = page("mailto", "<a href=mailto:nobody@example.invalid>mail</a>")});
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

    QString error;
    const QSslConfiguration tls = HttpServer::selfSignedTls(&error);
    QVERIFY2(!tls.isNull(), qPrintable(error));
    tls_ = std::make_unique<HttpServer>(tls);
    QVERIFY(tls_->listen());
    tls_->route("/", {.body = page("secure", "secure")});
    tls_->route("/painted", {.body = "", .contentType = "text/plain"});
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
}

void TestWebBrowser::refreshEndsOnFreshHome() {
    QFETCH(Before, before);
    QFETCH(QByteArray, home);

    QVERIFY(load(before == Before::DuringLinkLoad ? "/slowlink" : "/"));
    switch (before) {
    case Before::OnHome:
        break;
    case Before::AfterLink:
        QVERIFY(clickAndWait());
        QCOMPARE(browser_->url(), url("/next"));
        break;
    case Before::DuringNavigate:
        browser_->navigate(url("/slow"));
        break;
    case Before::DuringLinkLoad: {
        const int slowHits = server_.hits("/slow");
        click();
        QTRY_COMPARE(server_.hits("/slow"), slowHits + 1);
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
    QTest::addColumn<QUrl>("target"); // navigated to; clicks the page when empty
    QTest::addColumn<QByteArray>("neverRequested");

    QTest::newRow("file url") << QByteArray("/") << QUrl(QStringLiteral("file:///etc/hostname"))
                              << QByteArray();
    QTest::newRow("mailto link") << QByteArray("/mailto") << QUrl() << QByteArray();
    QTest::newRow("target=_blank link") << QByteArray("/blank") << QUrl() << QByteArray("/popup");
    QTest::newRow("window.open") << QByteArray("/open") << QUrl() << QByteArray("/popup");
    QTest::newRow("download") << QByteArray("/") << url("/download") << QByteArray();
}

void TestWebBrowser::refuses() {
    QFETCH(QByteArray, start);
    QFETCH(QUrl, target);
    QFETCH(QByteArray, neverRequested);

    QVERIFY(load(start.constData()));
    const int opened = mailer_.opened;
    if (target.isEmpty())
        click();
    else
        browser_->navigate(target);
    // Nothing is expected to happen; give it time to happen if it would.
    QTest::qWait(1000);
    QCOMPARE(browser_->url(), url(start.constData()));
    QCOMPARE(mailer_.opened, opened);
    if (!neverRequested.isEmpty())
        QCOMPARE(server_.hits(neverRequested), 0);
}

void TestWebBrowser::deniesPermissions() {
    QVERIFY(load("/notify"));
    click();
    QTRY_COMPARE_WITH_TIMEOUT(server_.hits("/permission-denied"), 1, 10000);
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

    QApplication app(argc, argv);
    TestWebBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_web_browser.moc"

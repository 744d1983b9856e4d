#include "http_server.h"
#include "lumatic_test.h"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

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

private:
    QUrl url(const char *path) const { return server_.url(QString::fromLatin1(path)); }
    bool load(const char *path);
    bool clickAndWait();
    void click();
    bool waitUntilPainted(int paintedBefore);

    HttpServer server_;
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

    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &mailer_, "open");

    host_ = new QWidget;
    host_->resize(640, 480);
    QString error;
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

int main(int argc, char *argv[]) {
    test::allowRootWithoutSandbox();
    // Whatever the engine stores would land under HOME or the XDG dirs.
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char *name :
         {"XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);

    int status = 0;
    {
        QApplication app(argc, argv);
        TestWebBrowser test;
        status = QTest::qExec(&test, argc, argv);
    }

    QStringList written;
    QDirIterator it(home.path(), QDir::Files | QDir::System | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        written << it.next();
    if (!written.isEmpty()) {
        qCritical("FAIL! Written under HOME:\n  %s",
                  qPrintable(written.join(QStringLiteral("\n  "))));
        status = status ? status : 1;
    }
    return status;
}

#include "test_web_browser.moc"

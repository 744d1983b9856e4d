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
    QUrl url(const char *path) const { return m_server.url(QString::fromLatin1(path)); }
    bool load(const char *path);
    bool clickAndWait();
    void click();
    bool waitUntilPainted(int paintedBefore);

    HttpServer m_server;
    ExternalOpener m_mailer;
    QWidget *m_host = nullptr;
    Browser *m_browser = nullptr;
};

bool TestWebBrowser::waitUntilPainted(int paintedBefore) {
    return QTest::qWaitFor([&] { return m_server.hits("/painted") > paintedBefore; }, 10000);
}

bool TestWebBrowser::load(const char *path) {
    const int painted = m_server.hits("/painted");
    QSignalSpy finished(m_browser, &Browser::loadFinished);
    m_browser->navigate(url(path));
    return finished.wait(10000) && finished.first().first().toBool() &&
           m_browser->url() == url(path) && waitUntilPainted(painted);
}

void TestWebBrowser::click() {
    QWidget *target = m_browser->widget()->focusProxy();
    QVERIFY(target);
    QTest::mouseClick(target, Qt::LeftButton, {}, target->rect().center());
}

bool TestWebBrowser::clickAndWait() {
    const int painted = m_server.hits("/painted");
    QSignalSpy finished(m_browser, &Browser::loadFinished);
    click();
    return finished.wait(10000) && finished.first().first().toBool() && waitUntilPainted(painted);
}

void TestWebBrowser::initTestCase() {
    QVERIFY(m_server.listen());
    const QByteArray css = "<link rel=stylesheet href=/style.css>";
    m_server.route("/", cacheable({.body = page("home", "<a href=/next>next</a>", css)}));
    m_server.route("/style.css",
                   cacheable({.body = "body{background:#cde}", .contentType = "text/css"}));
    m_server.route("/next", cacheable({.body = page("next", "<a href=/>home</a>")}));
    m_server.route("/slow", {.body = page("slow", "slow"), .delayMs = 3000});
    m_server.route("/slowlink", {.body = page("slowlink", "<a href=/slow>slow</a>")});
    m_server.route("/blank", {.body = page("blank", "<a href=/popup target=_blank>popup</a>")});
    m_server.route("/open",
                   {.body = page("open", "<div onclick=\"window.open('/popup')\">open</div>")});
    m_server.route("/mailto",
                   {.body = page("mailto", "<a href=mailto:nobody@example.invalid>mail</a>")});
    m_server.route("/popup", {.body = page("popup", "popup")});
    m_server.route("/to-home", {.body = {}, .headers = {{"Location", "/"}}, .status = 302});
    m_server.route("/painted", {.body = "", .contentType = "text/plain"});
    m_server.route("/download",
                   {.body = "payload",
                    .contentType = "application/octet-stream",
                    .headers = {{"Content-Disposition", "attachment; filename=x.bin"}}});
    m_server.route("/notify",
                   {.body = page("notify", "<div onclick=\"Notification.requestPermission()"
                                           ".then(p => fetch('/permission-' + p))\">ask</div>")});

    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &m_mailer, "open");

    m_host = new QWidget;
    m_host->resize(640, 480);
    QString error;
    m_browser = loadBrowser(m_host, {QStringLiteral(LUMATIC_TEST_WEB_MODULE)}, &error);
    QVERIFY2(m_browser, qPrintable(error));
    m_browser->widget()->setGeometry(m_host->rect());
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    m_browser->navigate(url("/"));
    QTRY_COMPARE_WITH_TIMEOUT(m_server.hits("/painted"), 1, 10000);
    QCOMPARE(m_browser->url(), url("/"));
}

void TestWebBrowser::cleanupTestCase() {
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    delete m_host;
}

// Without this the refresh test could not tell a fresh load from a plain one.
void TestWebBrowser::plainNavigationUsesCache() {
    QVERIFY(load("/"));
    QVERIFY(load("/next"));
    const int homeHits = m_server.hits("/");
    QVERIFY(load("/"));
    QCOMPARE(m_server.hits("/"), homeHits);
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
        QCOMPARE(m_browser->url(), url("/next"));
        break;
    case Before::DuringNavigate:
        m_browser->navigate(url("/slow"));
        break;
    case Before::DuringLinkLoad: {
        const int slowHits = m_server.hits("/slow");
        click();
        QTRY_COMPARE(m_server.hits("/slow"), slowHits + 1);
        break;
    }
    }

    const int homeHits = m_server.hits("/");
    const int cssHits = m_server.hits("/style.css");
    QSignalSpy finished(m_browser, &Browser::loadFinished);
    m_browser->navigate(url(home.constData()));
    m_browser->reloadFromSource();
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QTest::qWait(300); // room for a stray second load to show
    QCOMPARE(finished.count(), 1);
    QVERIFY(finished.first().first().toBool());
    QCOMPARE(m_browser->url(), url("/"));
    QVERIFY(m_server.hits("/") > homeHits);
    QVERIFY(m_server.hits("/style.css") > cssHits);
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
    const int opened = m_mailer.opened;
    if (target.isEmpty())
        click();
    else
        m_browser->navigate(target);
    // Nothing is expected to happen; give it time to happen if it would.
    QTest::qWait(1000);
    QCOMPARE(m_browser->url(), url(start.constData()));
    QCOMPARE(m_mailer.opened, opened);
    if (!neverRequested.isEmpty())
        QCOMPARE(m_server.hits(neverRequested), 0);
}

void TestWebBrowser::deniesPermissions() {
    QVERIFY(load("/notify"));
    click();
    QTRY_COMPARE_WITH_TIMEOUT(m_server.hits("/permission-denied"), 1, 10000);
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

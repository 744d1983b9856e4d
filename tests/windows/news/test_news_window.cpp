#include "app/setup.h"
#include "app/toolkit/controls.h"
#include "app/toolkit/twips.h"
#include "app/windows.h"
#include "http_server.h"
#include "windows/news/browser.h"
#include "windows/news/browser_loader.h"
#include "windows/news/news_window.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <unistd.h>

using namespace lumatic;

namespace {

QByteArray page(const QByteArray &title, const QByteArray &body) {
    // The link fills the page so that a click in the middle follows it; the page reports its
    // second frame, after which it takes input.
    return "<!doctype html><html><head><title>" + title +
           "</title><style>html,body,a{margin:0;display:block;width:100%;height:100%}</style>"
           "</head><body onload=\"requestAnimationFrame(() => requestAnimationFrame(() => "
           "fetch('/painted')))\">" +
           body + "</body></html>";
}

Browser *engine(QWidget *host) {
    return loadBrowser(host, {QStringLiteral(LUMATIC_TEST_WEB_MODULE)});
}

bool webEngineMapped() {
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("WebEngine");
}

const QSize confirming(294, 99), browsing(328, 371);

} // namespace

class TestNewsWindow : public QObject {
    Q_OBJECT

    HttpServer server;

    std::unique_ptr<Windows> makeWindows(const QUrl &address) {
        return std::make_unique<Windows>([] { return nullptr; },
                                         [address] { return new NewsWindow(address, engine); });
    }

    static NewsWindow &news(Windows &windows) { return static_cast<NewsWindow &>(windows.Form4()); }

    static void checkConfirming(NewsWindow &window) {
        QCOMPARE(window.windowTitle(), "Message");
        QCOMPARE(window.size(), confirming);
        for (QWidget *shown :
             {static_cast<QWidget *>(window.Label1), static_cast<QWidget *>(window.Command1),
              static_cast<QWidget *>(window.Command2)})
            QVERIFY2(shown->isVisible(), qPrintable(shown->objectName()));
        for (QWidget *hidden : {window.web, static_cast<QWidget *>(window.Command3),
                                static_cast<QWidget *>(window.Command4)})
            QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
        QCOMPARE(window.browser(), nullptr);
    }

    static bool okayAndLoad(NewsWindow &window) {
        const QPoint corner = window.pos();
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        if (!window.browser())
            return false;
        QSignalSpy finished(window.browser(), &Browser::loadFinished);
        return window.pos() == corner && (finished.count() || finished.wait(15000)) &&
               finished.first().first().toBool();
    }

private slots:
    void initTestCase() {
        QVERIFY(server.listen());
        server.route("/", {.body = page("news", "<a href=/older>older news</a>")});
        server.route("/older", {.body = page("older", "older")});
        server.route("/painted", {.body = "", .contentType = "text/plain"});
    }

    // Runs first: before Okay nothing may touch the network or the engine.
    void cancelGoesNowhere() {
        auto windows = makeWindows(server.url("/"));
        windows->showForm4();
        NewsWindow &window = news(*windows);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        checkConfirming(window);
        QPointer<NewsWindow> gone = &window;
        QTest::mouseClick(window.Command2, Qt::LeftButton);
        QVERIFY(!windows->existingForm4());
        QTRY_VERIFY(gone.isNull());
        QTest::qWait(200);
        QCOMPARE(server.hits("/"), 0);
        QVERIFY(!webEngineMapped());
    }

    void confirmingLayout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("pixels");
        QTest::addColumn<QString>("text");
        QTest::newRow("Okay") << "Command1" << QRect(64, 64, 73, 21) << "Okay";
        QTest::newRow("Cancel") << "Command2" << QRect(152, 64, 73, 21) << "Cancel";
        QTest::newRow("notice") << "Label1" << QRect(24, 8, 241, 49)
                                << "Latest news and checking for patches requires a valid internet "
                                   "connection. Hit okay if you are connected otherwise cancel";
        QTest::newRow("web") << "web" << QRect(8, 8, 313, 329) << "";
        QTest::newRow("Refresh") << "Command3" << QRect(0, 344, 137, 25) << "Refresh";
        QTest::newRow("Close") << "Command4" << QRect(240, 344, 89, 25) << "Close";
    }
    void confirmingLayout() {
        QFETCH(QString, name);
        QFETCH(QRect, pixels);
        QFETCH(QString, text);
        NewsWindow window(server.url("/"), engine);
        QCOMPARE(window.objectName(), "Form4");
        QCOMPARE(window.palette().color(QPalette::Window), colourFromValue(0x404040));
        QVERIFY(!window.windowIcon().isNull());
        QWidget *control = window.findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), pixels);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), text);
            QCOMPARE(button->palette().color(QPalette::Button), colourFromValue(0x808080));
            QCOMPARE(QFontInfo(button->font()).family(), "Liberation Sans");
            QCOMPARE(button->font().pointSizeF(), 9.0);
            QVERIFY(!button->isDefault());
        } else if (auto *label = qobject_cast<QLabel *>(control)) {
            QCOMPARE(label->text(), text);
            QCOMPARE(label->palette().color(QPalette::WindowText), colourFromValue(0xC0C0C0));
            QVERIFY(!label->autoFillBackground());
        }
    }

    void okayHoldsTheFocusAndKeysActOnlyThroughIt() {
        auto windows =
            std::make_unique<Windows>([] { return nullptr; },
                                      [] {
                                          return new NewsWindow(QUrl("http://127.0.0.1:9/"),
                                                                [](QWidget *) { return nullptr; });
                                      });
        windows->showForm4();
        NewsWindow &window = news(*windows);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), window.Command1);
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(windows->existingForm4());
        checkConfirming(window);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(window.windowTitle(), "Latest news and check for recent upgrades");
        // Without its module the browser area says so, and the window stays usable.
        QVERIFY(window.web->findChild<QLabel *>("unavailable"));
        QTest::mouseClick(window.Command3, Qt::LeftButton);
        QTest::mouseClick(window.Command4, Qt::LeftButton);
        QVERIFY(!windows->existingForm4());
    }

    void okayBrowsesAndReopeningStartsOver() {
        auto windows = makeWindows(server.url("/"));
        windows->showForm4();
        NewsWindow &window = news(*windows);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(okayAndLoad(window));
        QCOMPARE(window.windowTitle(), "Latest news and check for recent upgrades");
        QCOMPARE(window.size(), browsing);
        QVERIFY(window.web->isVisible() && window.Command3->isVisible() &&
                window.Command4->isVisible());
        QVERIFY(!window.Label1->isVisible() && !window.Command1->isVisible() &&
                !window.Command2->isVisible());
        QCOMPARE(window.browser()->url(), server.url("/"));
        QCOMPARE(window.browser()->widget()->geometry(), QRect(QPoint(), window.web->size()));

        // Showing it again from the main window changes nothing.
        Browser *browser = window.browser();
        windows->showForm4();
        QCOMPARE(&news(*windows), &window);
        QCOMPARE(window.browser(), browser);
        QCOMPARE(window.size(), browsing);
        QCOMPARE(window.windowTitle(), "Latest news and check for recent upgrades");

        QTest::mouseClick(window.Command4, Qt::LeftButton);
        QVERIFY(!windows->existingForm4());
        windows->showForm4();
        checkConfirming(news(*windows));
    }

    void refreshReturnsToTheNewsAfterALink() {
        auto windows = makeWindows(server.url("/"));
        windows->showForm4();
        NewsWindow &window = news(*windows);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int painted = server.hits("/painted");
        QVERIFY(okayAndLoad(window));
        QTRY_VERIFY_WITH_TIMEOUT(server.hits("/painted") > painted, 10000);
        Browser *browser = window.browser();
        QSignalSpy finished(browser, &Browser::loadFinished);
        QWidget *view = browser->widget()->focusProxy();
        QTest::mouseClick(view, Qt::LeftButton, {}, view->rect().center());
        QVERIFY(finished.wait(15000));
        QCOMPARE(browser->url(), server.url("/older"));

        const int newsRequests = server.hits("/");
        finished.clear();
        QTest::mouseClick(window.Command3, Qt::LeftButton);
        QVERIFY(finished.wait(15000));
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(browser->url(), server.url("/"));
        QVERIFY(server.hits("/") > newsRequests);
        window.close();
    }

    void anUnreachablePageLeavesTheWindowUsable() {
        HttpServer closed;
        QVERIFY(closed.listen());
        const QUrl nowhere = closed.url("/");
        closed.close();
        auto windows = makeWindows(nowhere);
        windows->showForm4();
        NewsWindow &window = news(*windows);
        QTest::mouseClick(window.Command1, Qt::LeftButton);
        QSignalSpy finished(window.browser(), &Browser::loadFinished);
        QVERIFY(finished.wait(15000));
        QCOMPARE(finished.first().first().toBool(), false);
        QCOMPARE(window.size(), browsing);
        finished.clear();
        QTest::mouseClick(window.Command3, Qt::LeftButton);
        QVERIFY(finished.wait(15000));
        QTest::mouseClick(window.Command4, Qt::LeftButton);
        QVERIFY(!windows->existingForm4());
    }

    void theNewsIsFetchedOverHttps() {
        QCOMPARE(QString::fromLatin1(NewsAddress), "kingpin.info");
        QCOMPARE(completeAddress("kingpin.info"), QUrl("https://kingpin.info/"));
        QCOMPARE(NewsWindow().address(), QUrl("https://kingpin.info/"));
    }
};

int main(int argc, char **argv) {
    // Chromium's sandbox cannot start as root; as any other user it stays on.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication app(argc, argv);
    setUpApplication(app);
    TestNewsWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_news_window.moc"

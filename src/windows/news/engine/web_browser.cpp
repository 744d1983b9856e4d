#include "web_browser.h"

#include <QApplication>
#include <QAuthenticator>
#include <QDialog>
#include <QLoggingCategory>
#include <QThread>
#include <QWebEngineLoadingInfo>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <charconv>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace lumatic {

Q_LOGGING_CATEGORY(lcWeb, "lumatic.web", QtWarningMsg)
// What pages write to their console is theirs, not the program's: it shows only when asked for
// (QT_LOGGING_RULES="lumatic.web.console.debug=true").
Q_LOGGING_CATEGORY(lcConsole, "lumatic.web.console", QtWarningMsg)

namespace {

bool isWebScheme(const QUrl &url) {
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

QString notOverHttps() {
    return QStringLiteral("This page is not available over HTTPS, so it is not shown.");
}

// The engine reports URLs in canonical form ("http://h" becomes "http://h/").
QUrl comparable(const QUrl &url) {
    QUrl result = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    if (result.path().isEmpty())
        result.setPath(QStringLiteral("/"));
    if (result.port() == (result.scheme() == QLatin1String("https") ? 443 : 80))
        result.setPort(-1);
    return result;
}

// A renderer is ended past this much resident memory: what no news page needs, and far less
// than a page that keeps allocating would take from the rest of the desktop.
constexpr long long rendererMemoryLimit = 1LL << 30;
// Often enough that a page allocating as fast as it can gains little past the limit.
constexpr int rendererWatchMs = 200;

// A small file under /proc, or nothing once its process has gone.
std::string readProcFile(const std::string &path) {
    std::string text;
    const int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(file, buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(got));
    ::close(file);
    return text;
}

QList<int> numbersIn(const std::string &text) {
    QList<int> numbers;
    const char *end = text.data() + text.size();
    for (const char *at = text.data(); at < end; ++at) {
        int number = 0;
        const auto [next, error] = std::from_chars(at, end, number);
        if (error == std::errc() && next != at) {
            numbers << number;
            at = next;
        }
    }
    return numbers;
}

// The processes that pid started: each thread lists those it started itself. The engine's
// processes start theirs from their main thread; this process, from any.
QList<int> childrenOf(int pid, bool anyThread) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    if (!anyThread)
        return numbersIn(readProcFile(tasks + '/' + std::to_string(pid) + "/children"));
    QList<int> children;
    DIR *folder = ::opendir(tasks.c_str());
    if (!folder)
        return children;
    while (const dirent *task = ::readdir(folder))
        if (task->d_name[0] != '.')
            children << numbersIn(readProcFile(tasks + '/' + task->d_name + "/children"));
    ::closedir(folder);
    return children;
}

// Every process of the engine's names its kind on its command line. A renderer that a zygote
// forked keeps the zygote's, so renderers cannot be told from the rest by it.
bool isEngineProcess(int pid) {
    const std::string arguments = readProcFile("/proc/" + std::to_string(pid) + "/cmdline");
    return arguments.find("--type=") != std::string::npos;
}

long long residentBytes(int pid) {
    const QList<int> pages = numbersIn(readProcFile("/proc/" + std::to_string(pid) + "/statm"));
    return pages.size() > 1 ? pages[1] * static_cast<long long>(::sysconf(_SC_PAGESIZE)) : 0;
}

} // namespace

// Keeps the main frame on https once it is there: any later main-frame request for plain http,
// whoever starts it (the user's click, a script, a frame setting top.location), goes to https
// instead, host, port, path and query kept; one that would send a body is not sent at all.
// The engine asks before it sends; acceptNavigationRequest() could only refuse.
class HttpsUpgrade final : public QWebEngineUrlRequestInterceptor {
public:
    HttpsUpgrade(WebPage *page, WebBrowser *browser);
    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

private:
    WebPage *page_;
    WebBrowser *browser_;
};

class WebPage final : public QWebEnginePage {
public:
    WebPage(QWebEngineProfile *profile, WebBrowser *browser)
        : QWebEnginePage(profile, browser), browser_(browser), upgrade_(this, browser) {
        setUrlRequestInterceptor(&upgrade_);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        connect(this, &QWebEnginePage::permissionRequested, this,
                [](QWebEnginePermission permission) { permission.deny(); });
#else
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl &origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
#endif
        // A null authenticator cancels the request: no sign-in dialog.
        connect(
            this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl &, QAuthenticator *authenticator) { *authenticator = QAuthenticator(); });
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                [](const QUrl &, QAuthenticator *authenticator, const QString &) {
                    *authenticator = QAuthenticator();
                });
    }

    // The interceptor, a member, goes before the engine's part of the page. The engine answers
    // some of a page's requests (a file input's, for one) through a call queued on the main
    // thread with nothing to tie it to the page; one still waiting would find the page gone, so
    // such calls are delivered first.
    ~WebPage() override {
        setUrlRequestInterceptor(nullptr);
        QCoreApplication::sendPostedEvents(QThread::currentThread(), QEvent::MetaCall);
    }

    // The browser has let go of the page, which only waits to be deleted.
    void release() {
        browser_ = nullptr;
    }

    bool httpsOnly() const {
        return httpsOnly_;
    }
    // The host's own navigation to plain http is its choice.
    void allowHttp() {
        httpsOnly_ = false;
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override {
        if (!browser_ || !isWebScheme(url)) {
            qCDebug(lcWeb) << "refused navigation" << url << type << isMainFrame;
            return false;
        }
        if (!isMainFrame)
            return true;
        const bool https = url.scheme() == QLatin1String("https");
        // A redirect to plain http cannot be sent to https instead: the server meant to leave.
        if (type == NavigationTypeRedirect && httpsOnly_ && !https) {
            qCDebug(lcWeb) << "refused redirect to" << url;
            browser_->onLeftHttps(url);
            return false;
        }
        httpsOnly_ = httpsOnly_ || https;
        browser_->onNavigationAccepted(url, type);
        return true;
    }

    QWebEnginePage *createWindow(WebWindowType) override {
        return nullptr;
    }

    // A page's dialogs would be application-modal and hold every window until answered. Alert
    // shows nothing; confirm, which also asks the leave-page question, answers yes, so that no
    // page holds Refresh or Close; prompt answers cancel; a file input gets no file.
    void javaScriptAlert(const QUrl &, const QString &) override {}
    bool javaScriptConfirm(const QUrl &, const QString &) override {
        return true;
    }
    bool javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) override {
        return false;
    }
    QStringList chooseFiles(FileSelectionMode, const QStringList &, const QStringList &) override {
        return {};
    }

    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int line, const QString &source) override {
        qCDebug(lcConsole).noquote() << level << source << line << message;
    }

private:
    WebBrowser *browser_;
    HttpsUpgrade upgrade_;
    // Set once the main frame goes to https; navigations to plain http are upgraded from then on.
    bool httpsOnly_ = false;
};

HttpsUpgrade::HttpsUpgrade(WebPage *page, WebBrowser *browser) : page_(page), browser_(browser) {}

// Called on the user-interface thread, as every interceptor is since Qt 6.
void HttpsUpgrade::interceptRequest(QWebEngineUrlRequestInfo &info) {
    const QUrl url = info.requestUrl();
    if (info.resourceType() != QWebEngineUrlRequestInfo::ResourceTypeMainFrame ||
        url.scheme() != QLatin1String("http") || !page_->httpsOnly())
        return;
    if (info.requestMethod() != "GET" && info.requestMethod() != "HEAD") {
        qCDebug(lcWeb) << "blocked" << info.requestMethod() << url;
        info.block(true);
        browser_->onNotSentOverHttp();
        return;
    }
    QUrl secure = url;
    secure.setScheme(QStringLiteral("https"));
    qCDebug(lcWeb) << "upgraded" << url << "to" << secure;
    info.redirect(secure);
    browser_->onUpgradedToHttps(secure);
}

WebBrowser::WebBrowser(QWidget *parent, QObject *owner, BrowserEvents &events)
    : QObject(owner), events_(events)
      // A profile without a storage name is off the record: cookies, cache, history and local
      // storage live in memory only.
      ,
      profile_(new QWebEngineProfile(this)), view_(new QWebEngineView(parent)) {
    // Downloads are refused by leaving them unaccepted: the engine then rejects each one and
    // deletes its request after the signal. Cancelling it from inside the signal as well could
    // crash the program on Qt 6.11, when the page went soon after.
    page_ = makePage();
    view_->setPage(page_);
    qApp->installEventFilter(this);
    connect(&rendererWatch_, &QTimer::timeout, this, &WebBrowser::endProcessesPastTheLimit);
    rendererWatch_.start(rendererWatchMs);
}

WebBrowser::~WebBrowser() {
    // The pages, also one replaced and not yet deleted, must go before the profile they were
    // made with.
    delete view_.data();
    qDeleteAll(findChildren<QWebEnginePage *>(Qt::FindDirectChildrenOnly));
}

// Pages belong to the browser, not to the view, so that replacing one does not delete it
// inside a signal it is sending.
WebPage *WebBrowser::makePage() {
    auto *page = new WebPage(profile_, this);
    connect(page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(page, &QWebEnginePage::urlChanged, this,
            [this](const QUrl &url) { events_.reportUrlChanged(url); });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
                onRenderProcessTerminated(status);
            });
    return page;
}

QWidget *WebBrowser::widget() {
    return view_;
}

void WebBrowser::navigate(const QUrl &url) {
    if (!isWebScheme(url)) {
        qCDebug(lcWeb) << "refused navigate()" << url;
        QMetaObject::invokeMethod(
            this, [this] { events_.reportLoadFinished(false); }, Qt::QueuedConnection);
        return;
    }
    if (url.scheme() == QLatin1String("http"))
        page_->allowHttp();
    target_ = url;
    navigating_ = comparable(url);
    reloadWhenLoaded_ = false;
    page_->load(url);
}

// A page stuck in a script that never returns takes no new navigation, and neither Qt reports
// an unresponsive renderer: a fresh page, with a renderer of its own, always can.
void WebBrowser::reloadFromSource() {
    const QUrl target = navigating_.isEmpty() ? page_->url() : target_;
    WebPage *old = page_;
    old->release();
    old->disconnect(this);
    page_ = makePage();
    view_->setPage(page_);
    old->deleteLater();
    if (!isWebScheme(target)) {
        navigating_.clear();
        reloadWhenLoaded_ = false;
        return;
    }
    // The fresh page shares the profile's memory cache: load, then reload past it.
    navigate(target);
    reloadWhenLoaded_ = true;
}

QUrl WebBrowser::url() const {
    return page_->url();
}

void WebBrowser::onNavigationAccepted(const QUrl &url, QWebEnginePage::NavigationType type) {
    QUrl secure = url;
    secure.setScheme(QStringLiteral("https"));
    if (comparable(secure) != upgraded_)
        upgraded_.clear();
    if (navigating_.isEmpty())
        return;
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
    case QWebEnginePage::NavigationTypeRedirect:
        // The engine's spelling of what navigate() asked for, or where the server sent it: the
        // URL its load will end with.
        navigating_ = comparable(url);
        break;
    default:
        if (comparable(url) != navigating_) {
            // A click or a script took the page elsewhere: what was asked is void.
            navigating_.clear();
            reloadWhenLoaded_ = false;
        }
        break;
    }
}

void WebBrowser::onLeftHttps(const QUrl &url) {
    // The refused load ends where it was refused to go.
    if (!navigating_.isEmpty())
        navigating_ = comparable(url);
    events_.reportNotice(
        QStringLiteral("The site tried to leave HTTPS, so its page is not shown."));
}

void WebBrowser::onUpgradedToHttps(const QUrl &url) {
    upgraded_ = comparable(url);
}

void WebBrowser::onNotSentOverHttp() {
    // Not from inside the engine's call: the host may hide the view.
    QMetaObject::invokeMethod(
        this, [this] { events_.reportNotice(notOverHttps()); }, Qt::QueuedConnection);
}

void WebBrowser::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status) {
    qCDebug(lcWeb) << "renderer ended" << status;
    if (status != QWebEnginePage::NormalTerminationStatus)
        events_.reportNotice(QStringLiteral("The page stopped working; Refresh loads it again."));
}

// Every process of the engine's below this one: a page's renderer, the renderers of frames from
// other sites, and the zygotes that fork them, which stay small. The engine's GPU and network
// work runs inside this process and is not counted; other programs started from here are
// neither counted nor searched.
void WebBrowser::endProcessesPastTheLimit() {
    QHash<int, bool> seen;
    const int self = int(::getpid());
    QList<int> parents{self};
    while (!parents.isEmpty()) {
        const int parent = parents.takeLast();
        for (const int child : childrenOf(parent, parent == self)) {
            if (seen.contains(child))
                continue;
            const auto known = engineProcesses_.constFind(child);
            const bool engine = known != engineProcesses_.cend() ? *known : isEngineProcess(child);
            seen.insert(child, engine);
            if (!engine)
                continue;
            parents << child;
            if (const long long resident = residentBytes(child); resident > rendererMemoryLimit) {
                qCDebug(lcWeb) << "ended process" << child << "at" << resident << "bytes";
                ::kill(child, SIGKILL);
            }
        }
    }
    engineProcesses_ = seen;
}

// Qt WebEngine opens some dialogs itself (a colour input's, for one), as children of the view,
// and the page API cannot stop them; a later Qt may add more. Any dialog under the view, and any
// modal window at all, is refused as it is shown. The show cannot be undone from inside it: the
// window is kept off the screen, unmodal, and rejected, as if cancelled, once its opener has
// returned. In-page popups (lists, pickers, menus, tool tips) are neither, and stay.
bool WebBrowser::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::Show || !watched->isWidgetType())
        return false;
    auto *window = static_cast<QWidget *>(watched);
    if (!window->isWindow())
        return false;
    bool underView = false;
    for (const QWidget *above = window->parentWidget(); above && !underView;
         above = above->parentWidget())
        underView = above == view_;
    auto *dialog = qobject_cast<QDialog *>(window);
    if (!(dialog && underView) && window->windowModality() == Qt::NonModal)
        return false;
    qCDebug(lcWeb) << "refused" << window->metaObject()->className() << window->windowTitle();
    // Neither on the screen nor modal: Qt would register an off-screen modal window as a
    // native dialog's stand-in, and hold the rest of the program until it went.
    window->setAttribute(Qt::WA_DontShowOnScreen);
    window->setWindowModality(Qt::NonModal);
    QMetaObject::invokeMethod(
        window,
        [window] {
            if (!window->isVisible())
                return;
            if (auto *dialog = qobject_cast<QDialog *>(window))
                dialog->reject();
            else
                window->close();
        },
        Qt::QueuedConnection);
    return false;
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info) {
    qCDebug(lcWeb) << "loading" << info.status() << info.url() << navigating_;
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    if (!upgraded_.isEmpty() && comparable(info.url()) == upgraded_) {
        upgraded_.clear();
        if (!ok)
            events_.reportNotice(notOverHttps());
    }
    if (!navigating_.isEmpty()) {
        // Ends of loads that navigate() replaced are of no interest.
        if (comparable(info.url()) != navigating_)
            return;
        navigating_.clear();
        if (std::exchange(reloadWhenLoaded_, false) && ok) {
            page_->triggerAction(QWebEnginePage::ReloadAndBypassCache);
            return; // the reload reports its own end
        }
    }
    events_.reportLoadFinished(ok);
}

} // namespace lumatic

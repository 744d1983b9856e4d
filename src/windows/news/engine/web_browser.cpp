#include "web_browser.h"

#include <QAuthenticator>
#include <QLoggingCategory>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWebEngineView>

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

// The engine reports URLs in canonical form ("http://h" becomes "http://h/").
QUrl comparable(const QUrl &url) {
    QUrl result = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
    if (result.path().isEmpty())
        result.setPath(QStringLiteral("/"));
    if (result.port() == (result.scheme() == QLatin1String("https") ? 443 : 80))
        result.setPort(-1);
    return result;
}

} // namespace

class WebPage final : public QWebEnginePage {
public:
    WebPage(QWebEngineProfile *profile, WebBrowser *browser)
        : QWebEnginePage(profile, browser), browser_(browser) {
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

    // The browser has let go of the page, which only waits to be deleted.
    void release() {
        browser_ = nullptr;
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override {
        if (!browser_ || !isWebScheme(url)) {
            qCDebug(lcWeb) << "refused navigation" << url << type << isMainFrame;
            return false;
        }
        if (!isMainFrame)
            return true;
        // A link the user follows may lead to plain http; a redirect may not take the page
        // there from https, whether the server sends it or the page.
        if (type == NavigationTypeRedirect && mainFrameUrl_.scheme() == QLatin1String("https") &&
            url.scheme() == QLatin1String("http")) {
            qCDebug(lcWeb) << "refused redirect from" << mainFrameUrl_ << "to" << url;
            browser_->onLeftHttps(url);
            return false;
        }
        mainFrameUrl_ = url;
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
    // Where the main frame's last accepted navigation was going.
    QUrl mainFrameUrl_;
};

WebBrowser::WebBrowser(QWidget *parent)
    : Browser(parent)
      // A profile without a storage name is off the record: cookies, cache, history and local
      // storage live in memory only.
      ,
      profile_(new QWebEngineProfile(this)), view_(new QWebEngineView(parent)) {
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });
    page_ = makePage();
    view_->setPage(page_);
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
    connect(page, &QWebEnginePage::urlChanged, this, &Browser::urlChanged);
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
            this, [this] { emit loadFinished(false); }, Qt::QueuedConnection);
        return;
    }
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
    emit notice(QStringLiteral("The site tried to leave HTTPS, so its page is not shown."));
}

void WebBrowser::onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status) {
    qCDebug(lcWeb) << "renderer ended" << status;
    if (status != QWebEnginePage::NormalTerminationStatus)
        emit notice(QStringLiteral("The page stopped working; Refresh loads it again."));
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info) {
    qCDebug(lcWeb) << "loading" << info.status() << info.url() << navigating_;
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
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
    emit loadFinished(ok);
}

} // namespace lumatic

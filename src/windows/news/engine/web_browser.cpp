#include "web_browser.h"

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
    WebPage(QWebEngineProfile *profile, WebBrowser *browser, QObject *parent)
        : QWebEnginePage(profile, parent), browser_(browser) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override {
        if (!isWebScheme(url)) {
            qCDebug(lcWeb) << "refused navigation" << url << type << isMainFrame;
            return false;
        }
        if (isMainFrame)
            browser_->onNavigationAccepted(url, type);
        return true;
    }

    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
    WebBrowser *browser_;
};

WebBrowser::WebBrowser(QWidget *parent)
    : Browser(parent)
      // A profile without a storage name is off the record: cookies, cache,
      // history and local storage live in memory only.
      ,
      profile_(new QWebEngineProfile(this)), view_(new QWebEngineView(parent)),
      page_(new WebPage(profile_, this, view_)) {
    connect(profile_, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(page_, &QWebEnginePage::permissionRequested, page_,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(page_, &QWebEnginePage::featurePermissionRequested, page_,
            [page = page_](const QUrl &origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
#endif
    connect(page_, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(page_, &QWebEnginePage::urlChanged, this, &Browser::urlChanged);
    view_->setPage(page_);
}

WebBrowser::~WebBrowser() {
    // The page must go before the profile it was created with.
    delete view_.data();
}

QWidget *WebBrowser::widget() {
    return view_;
}

void WebBrowser::navigate(const QUrl &url) {
    navigating_ = comparable(url);
    reloadWhenLoaded_ = false;
    page_->load(url);
}

void WebBrowser::reloadFromSource() {
    if (navigating_.isEmpty())
        page_->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    else
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
        // The engine's spelling of what navigate() asked for, or where the
        // server sent it: the URL its load will end with.
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

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info) {
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

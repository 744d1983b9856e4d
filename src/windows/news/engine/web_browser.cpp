#include "web_browser.h"

#include <QLoggingCategory>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
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
        : QWebEnginePage(profile, parent), m_browser(browser) {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override {
        if (!isWebScheme(url)) {
            qCDebug(lcWeb) << "refused navigation" << url << type << isMainFrame;
            return false;
        }
        if (isMainFrame)
            m_browser->onNavigationAccepted(url, type);
        return true;
    }

    QWebEnginePage *createWindow(WebWindowType) override { return nullptr; }

private:
    WebBrowser *m_browser;
};

WebBrowser::WebBrowser(QWidget *parent)
    : Browser(parent)
      // A profile without a storage name is off the record: cookies, cache,
      // history and local storage live in memory only.
      ,
      m_profile(new QWebEngineProfile(this)), m_view(new QWebEngineView(parent)),
      m_page(new WebPage(m_profile, this, m_view)) {
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest *download) { download->cancel(); });
    connect(m_page, &QWebEnginePage::featurePermissionRequested, m_page,
            [page = m_page](const QUrl &origin, QWebEnginePage::Feature feature) {
                page->setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebBrowser::onLoadingChanged);
    connect(m_page, &QWebEnginePage::urlChanged, this, &Browser::urlChanged);
    m_view->setPage(m_page);
}

WebBrowser::~WebBrowser() {
    // The page must go before the profile it was created with.
    delete m_view.data();
}

QWidget *WebBrowser::widget() {
    return m_view;
}

void WebBrowser::navigate(const QUrl &url) {
    m_navigating = comparable(url);
    m_reloadWhenLoaded = false;
    m_page->load(url);
}

void WebBrowser::reloadFromSource() {
    if (m_navigating.isEmpty())
        m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache);
    else
        m_reloadWhenLoaded = true;
}

QUrl WebBrowser::url() const {
    return m_page->url();
}

void WebBrowser::onNavigationAccepted(const QUrl &url, QWebEnginePage::NavigationType type) {
    if (m_navigating.isEmpty())
        return;
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
    case QWebEnginePage::NavigationTypeRedirect:
        // The engine's spelling of what navigate() asked for, or where the
        // server sent it: the URL its load will end with.
        m_navigating = comparable(url);
        break;
    default:
        if (comparable(url) != m_navigating) {
            // A click or a script took the page elsewhere: what was asked is void.
            m_navigating.clear();
            m_reloadWhenLoaded = false;
        }
        break;
    }
}

void WebBrowser::onLoadingChanged(const QWebEngineLoadingInfo &info) {
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    const bool ok = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus;
    if (!m_navigating.isEmpty()) {
        // Ends of loads that navigate() replaced are of no interest.
        if (comparable(info.url()) != m_navigating)
            return;
        m_navigating.clear();
        if (std::exchange(m_reloadWhenLoaded, false) && ok) {
            m_page->triggerAction(QWebEnginePage::ReloadAndBypassCache);
            return; // the reload reports its own end
        }
    }
    emit loadFinished(ok);
}

} // namespace lumatic

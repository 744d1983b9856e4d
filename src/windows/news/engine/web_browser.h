#pragma once

#include "windows/news/browser.h"

#include <QPointer>
#include <QWebEnginePage>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

namespace lumatic {

class WebPage;

// Browser on QWebEngineView with an off-the-record profile: nothing is kept on disk; pop-ups,
// downloads, permission requests, file choosers, sign-in requests and bad certificates are
// refused; a page's dialogs never show; only http and https are followed, and a redirect from
// https to http is not.
class WebBrowser final : public Browser {
    Q_OBJECT

public:
    explicit WebBrowser(QWidget *parent);
    ~WebBrowser() override;

    QWidget *widget() override;
    void navigate(const QUrl &url) override;
    void reloadFromSource() override;
    QUrl url() const override;

private:
    friend class WebPage;

    WebPage *makePage();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onNavigationAccepted(const QUrl &url, QWebEnginePage::NavigationType type);
    void onLeftHttps(const QUrl &url);
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);

    QWebEngineProfile *profile_ = nullptr;
    QPointer<QWebEngineView> view_;
    WebPage *page_ = nullptr;
    // What navigate() was last asked for.
    QUrl target_;
    // The page navigate() is loading, until its load ends; empty otherwise. A reload issued
    // meanwhile must wait for it: reloading at once would drop the navigation and reload the old
    // page.
    QUrl navigating_;
    bool reloadWhenLoaded_ = false;
};

} // namespace lumatic

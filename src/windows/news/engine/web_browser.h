#pragma once

#include "windows/news/browser.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWebEnginePage>

class QWebEngineLoadingInfo;
class QWebEngineProfile;
class QWebEngineView;

namespace lumatic {

class HttpsUpgrade;
class WebPage;

// A browser engine on QWebEngineView with an off-the-record profile: nothing is kept on disk;
// pop-ups, downloads, permission requests, file choosers, sign-in requests and bad certificates
// are refused; no page opens a dialog or a modal window; only http and https are followed, and
// once the main frame is on https it never goes to plain http; a process of the engine's that
// outgrows its memory limit is ended.
class WebBrowser final : public QObject, public BrowserEngine {
public:
    WebBrowser(QWidget *parent, QObject *owner, BrowserEvents &events);
    ~WebBrowser() override;

    QWidget *widget() override;
    void navigate(const QUrl &url) override;
    void reloadFromSource() override;
    QUrl url() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class WebPage;
    friend class HttpsUpgrade;

    WebPage *makePage();
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onNavigationAccepted(const QUrl &url, QWebEnginePage::NavigationType type);
    void onLeftHttps(const QUrl &url);
    void onUpgradedToHttps(const QUrl &url);
    void onNotSentOverHttp();
    void onRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void endProcessesPastTheLimit();

    BrowserEvents &events_;
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
    // Where the main frame's last navigation to http was sent instead, until another one starts.
    QUrl upgraded_;
    QTimer rendererWatch_;
    // Which of the processes below this one are the engine's, as far as seen.
    QHash<int, bool> engineProcesses_;
};

} // namespace lumatic

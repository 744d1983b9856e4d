#pragma once

#include <QObject>
#include <QUrl>
#include <QtPlugin>

class QWidget;

namespace lumatic {

// What an engine tells its host, on the user-interface thread.
class BrowserEvents {
public:
    // Once per navigate(), or per navigate() and reloadFromSource() together, and once per
    // navigation the user starts inside the page.
    virtual void reportLoadFinished(bool ok) = 0;
    virtual void reportUrlChanged(const QUrl &url) = 0;
    // One line for the user, to be shown in place of the page until the next navigate(): why
    // the page is not shown.
    virtual void reportNotice(const QString &text) = 0;

protected:
    ~BrowserEvents() = default;
};

// The web module's side of the browser: plain virtual calls that take no meta-object from the
// program, so that the module needs nothing the program would have to export.
class BrowserEngine {
public:
    virtual ~BrowserEngine() = default;

    // The view; it goes with the engine.
    virtual QWidget *widget() = 0;
    // Starts loading and returns at once. Only http and https are followed: any other address
    // is refused, and its failed load is reported from the event loop.
    virtual void navigate(const QUrl &url) = 0;
    // Loads the current page again in a fresh page, bypassing every cache: whatever the page
    // being left does (a script that never returns, a dead renderer) cannot hold it. Called
    // right after navigate(), it applies to the page being navigated to.
    virtual void reloadFromSource() = 0;
    virtual QUrl url() const = 0;
};

// What the module exports.
class BrowserFactory {
public:
    virtual ~BrowserFactory() = default;
    // An engine whose view is a child of parent and whose other objects are children of owner;
    // it reports to events until it is deleted.
    virtual BrowserEngine *create(QWidget *parent, QObject *owner, BrowserEvents &events) = 0;
};

// An embedded web view whose engine lives in a module loaded at run time, so that the program
// maps no web engine until a page is wanted. The engine's reports arrive as signals.
class Browser final : public QObject, private BrowserEvents {
    Q_OBJECT
public:
    // A child of parent, as is the engine's view.
    Browser(QWidget *parent, BrowserFactory &factory);
    ~Browser() override;

    QWidget *widget() { return engine_->widget(); }
    void navigate(const QUrl &url) { engine_->navigate(url); }
    void reloadFromSource() { engine_->reloadFromSource(); }
    QUrl url() const { return engine_->url(); }

signals:
    void loadFinished(bool ok);
    void urlChanged(const QUrl &url);
    void notice(const QString &text);

private:
    void reportLoadFinished(bool ok) override { emit loadFinished(ok); }
    void reportUrlChanged(const QUrl &url) override { emit urlChanged(url); }
    void reportNotice(const QString &text) override { emit notice(text); }

    BrowserEngine *engine_;
};

} // namespace lumatic

// Bump the version whenever the interfaces above change, so that a stale module is refused
// rather than called into.
#define LumaticBrowserFactory_iid "org.lumatic.BrowserFactory/3"
Q_DECLARE_INTERFACE(lumatic::BrowserFactory, LumaticBrowserFactory_iid)

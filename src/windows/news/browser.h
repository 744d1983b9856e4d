#pragma once

#include <QObject>
#include <QUrl>
#include <QtPlugin>

class QWidget;

namespace lumatic {

// An embedded web view whose engine lives in a module loaded at run time, so that the program
// maps no web engine until a page is wanted.
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The view; it goes with the Browser.
    virtual QWidget *widget() = 0;
    // Starts loading and returns at once. Only http and https are followed: any other address
    // is refused, and its loadFinished(false) comes from the event loop.
    virtual void navigate(const QUrl &url) = 0;
    // Loads the current page again in a fresh page, bypassing every cache: whatever the page
    // being left does (a script that never returns, a dead renderer) cannot hold it. Called
    // right after navigate(), it applies to the page being navigated to.
    virtual void reloadFromSource() = 0;
    virtual QUrl url() const = 0;

signals:
    // Once per navigate(), or per navigate() and reloadFromSource() together, and once per
    // navigation the user starts inside the page.
    void loadFinished(bool ok);
    void urlChanged(const QUrl &url);
    // One line for the user, to be shown in place of the page until the next navigate(): why
    // the page is not shown.
    void notice(const QString &text);
};

// What the module exports.
class BrowserFactory {
public:
    virtual ~BrowserFactory() = default;
    virtual Browser *create(QWidget *parent) = 0;
};

} // namespace lumatic

// Bump the version whenever Browser changes, so that a stale module is refused rather than
// called into.
#define LumaticBrowserFactory_iid "org.lumatic.BrowserFactory/2"
Q_DECLARE_INTERFACE(lumatic::BrowserFactory, LumaticBrowserFactory_iid)

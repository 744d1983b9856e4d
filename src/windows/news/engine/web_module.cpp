#include "engine_setup.h"
#include "web_browser.h"
#include "windows/news/browser.h"

#include <QPointer>
#include <QWidget>

namespace lumatic {

namespace {

// Stands where the engine cannot: shows no page, only why, and stays out of the way of the
// window around it.
class RefusingEngine final : public QObject, public BrowserEngine {
public:
    RefusingEngine(QWidget *parent, QObject *owner, BrowserEvents &events, QString why)
        : QObject(owner), events_(events), why_(std::move(why)), widget_(new QWidget(parent)) {}
    ~RefusingEngine() override { delete widget_.data(); }

    QWidget *widget() override { return widget_; }
    void navigate(const QUrl &) override {
        events_.reportNotice(why_);
        QMetaObject::invokeMethod(
            this, [this] { events_.reportLoadFinished(false); }, Qt::QueuedConnection);
    }
    void reloadFromSource() override {}
    QUrl url() const override { return {}; }

private:
    BrowserEvents &events_;
    QString why_;
    QPointer<QWidget> widget_;
};

} // namespace

// The one thing the module exports: the maker of engine-backed browsers.
class WebModule final : public QObject, public BrowserFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LumaticBrowserFactory_iid)
    Q_INTERFACES(lumatic::BrowserFactory)

public:
    BrowserEngine *create(QWidget *parent, QObject *owner, BrowserEvents &events) override {
        // Checked before the engine's first object: as root that object would end the process.
        if (const QString why = whyTheEngineCannotStart(); !why.isEmpty())
            return new RefusingEngine(parent, owner, events, why);
        static const bool prepared = [] {
            useSoftwareSceneGraph();
            return true;
        }();
        Q_UNUSED(prepared);
        return new WebBrowser(parent, owner, events);
    }
};

} // namespace lumatic

#include "web_module.moc"

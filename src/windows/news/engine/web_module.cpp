#include "engine_setup.h"
#include "web_browser.h"
#include "windows/news/browser.h"

#include <QPointer>
#include <QWidget>

namespace lumatic {

namespace {

// Stands where the engine cannot: shows no page, only why, and stays out of the way of the
// window around it.
class RefusingBrowser final : public Browser {
public:
    RefusingBrowser(QWidget *parent, QString why)
        : Browser(parent), why_(std::move(why)), widget_(new QWidget(parent)) {}
    ~RefusingBrowser() override { delete widget_.data(); }

    QWidget *widget() override { return widget_; }
    void navigate(const QUrl &) override {
        emit notice(why_);
        QMetaObject::invokeMethod(
            this, [this] { emit loadFinished(false); }, Qt::QueuedConnection);
    }
    void reloadFromSource() override {}
    QUrl url() const override { return {}; }

private:
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
    Browser *create(QWidget *parent) override {
        // Checked before the engine's first object: as root that object would end the process.
        if (const QString why = whyTheEngineCannotStart(); !why.isEmpty())
            return new RefusingBrowser(parent, why);
        static const bool prepared = [] {
            useSoftwareSceneGraph();
            return true;
        }();
        Q_UNUSED(prepared);
        return new WebBrowser(parent);
    }
};

} // namespace lumatic

#include "web_module.moc"

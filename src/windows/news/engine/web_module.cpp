#include "engine_setup.h"
#include "web_browser.h"
#include "windows/news/browser.h"

namespace lumatic {

// The one thing the module exports: the maker of engine-backed browsers.
class WebModule final : public QObject, public BrowserFactory {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID LumaticBrowserFactory_iid)
    Q_INTERFACES(lumatic::BrowserFactory)

public:
    Browser *create(QWidget *parent) override {
        static const bool prepared = [] {
            silenceWebEngineContextLog();
            useSoftwareSceneGraph();
            return true;
        }();
        Q_UNUSED(prepared);
        return new WebBrowser(parent);
    }
};

} // namespace lumatic

#include "web_module.moc"

#include "window_registry.h"

namespace lumatic {

WindowRegistry::WindowRegistry(Factory help, Factory news)
    : main_([this] { return new MainWindow(*this); }, [this] { mainClosed(); }),
      help_(std::move(help), [this] { windowClosed(); }),
      news_(std::move(news), [this] { windowClosed(); }) {}

WindowRegistry::~WindowRegistry() = default;

PreviewClocks &WindowRegistry::clocks() {
    if (!clocks_)
        clocks_ = std::make_unique<PreviewClocks>([this](const QString &text) {
            if (MainWindow *main = main_.existing())
                main->showPosition(text);
        });
    return *clocks_;
}

void WindowRegistry::closeAll() {
    if (!closingAll_)
        closeEverything(anyOpen());
}

// However the main window goes, the rest goes with it: hidden clocks or a forgotten help
// window must not keep an invisible process alive. Closed by closeAll, it leaves the report to
// closeAll.
void WindowRegistry::mainClosed() {
    if (!closingAll_)
        closeEverything(true);
}

// The windows report their closing each through windowClosed, held off until all are gone;
// then one report, when anything was open.
void WindowRegistry::closeEverything(bool wasOpen) {
    closingAll_ = true;
    main_.close();
    clocks_.reset();
    help_.close();
    news_.close();
    closingAll_ = false;
    if (wasOpen)
        windowClosed();
}

void WindowRegistry::windowClosed() {
    if (!closingAll_ && !anyOpen())
        emit ended();
}

bool WindowRegistry::anyOpen() const {
    return main_.existing() || clocks_ || help_.existing() || news_.existing();
}

} // namespace lumatic

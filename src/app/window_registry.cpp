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
    main_.close();
    if (clocks_) {
        clocks_.reset();
        windowClosed();
    }
    help_.close();
    news_.close();
}

// However the main window goes, the rest goes with it: hidden clocks or a forgotten help
// window must not keep an invisible process alive.
void WindowRegistry::mainClosed() {
    closingAll_ = true;
    closeAll();
    closingAll_ = false;
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

#include "windows.h"

#include "app/toolkit/controls.h"

namespace lumatic {

Windows::Windows(Factory help, Factory news)
    : form1_([this] { return new MainWindow(*this); }, [this] { mainClosed(); }),
      form2_(
          [this] {
              return new ClockWindow([this](const QString &text) {
                  if (MainWindow *main = form1_.existing())
                      main->stylerun->write(text);
              });
          },
          [this] { windowClosed(); }),
      form3_(std::move(help), [this] { windowClosed(); }),
      form4_(std::move(news), [this] { windowClosed(); }) {}

void Windows::closeAll() {
    form1_.close();
    form2_.close();
    form3_.close();
    form4_.close();
}

// However the main window goes, the rest goes with it: a hidden clock window or a forgotten
// help window must not keep an invisible process alive.
void Windows::mainClosed() {
    closingAll_ = true;
    closeAll();
    closingAll_ = false;
    windowClosed();
}

void Windows::windowClosed() {
    if (!closingAll_ && !anyOpen())
        emit ended();
}

bool Windows::anyOpen() const {
    return form1_.exists() || form2_.exists() || form3_.exists() || form4_.exists();
}

} // namespace lumatic

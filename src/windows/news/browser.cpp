#include "browser.h"

#include <QWidget>

namespace lumatic {

Browser::Browser(QWidget *parent, BrowserFactory &factory)
    : QObject(parent), engine_(factory.create(parent, this, *this)) {}

// The engine's objects are this object's children: deleted first, they go before it, and no
// report reaches a half-destroyed Browser.
Browser::~Browser() {
    delete engine_;
}

} // namespace lumatic

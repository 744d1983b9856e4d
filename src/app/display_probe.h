#pragma once

#include <string>

namespace lumatic {

// Qt aborts when the window system it picks has no display, so the program asks first. Gives
// why there is no display to show the window on, as one sentence for the user, or an empty
// string when there is one, or when the platform chosen in QT_QPA_PLATFORM needs none.
std::string missingDisplay();

} // namespace lumatic

#pragma once

#include <functional>

namespace lumatic {

class WindowRegistry;

// The whole application: sets it up, opens the main window and runs until the last window
// has closed. started, if given, sees the windows once the main window is shown.
int run(int argc, char **argv, const std::function<void(WindowRegistry &)> &started = {});

} // namespace lumatic

#pragma once

#include <functional>

namespace lumatic {

class Form;
class WindowRegistry;

// The whole application: sets it up, opens the main window and runs until the last window
// has closed. started, if given, sees the windows once the main window is shown; news, if
// given, makes the news window.
int run(int argc, char **argv, const std::function<void(WindowRegistry &)> &started = {},
        const std::function<Form *()> &news = {});

} // namespace lumatic

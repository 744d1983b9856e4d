// Image1 closes the window; Frame1 holds the instructions, Frame2 the credits.
#pragma once

#include "toolkit/form.h"

namespace lumatic {

// The help-and-about window, Form3: how to use the list, and who made the program.
class HelpWindow : public Form {
    Q_OBJECT
public:
    HelpWindow();

    void Image1_Click();

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace lumatic

#pragma once

#include "app/toolkit/form.h"

namespace lumatic {

class Frame;
class PictureButton;
class TextLabel;

// The help-and-about window, Form3: how to use the list, and who made the program.
class HelpWindow : public Form {
    Q_OBJECT
public:
    HelpWindow();

    void Image1_Click();

    Frame *Frame1;
    Frame *Frame2;
    TextLabel *Label1;
    TextLabel *Label2;
    TextLabel *Label3;
    TextLabel *Label4;
    PictureButton *Image1;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace lumatic

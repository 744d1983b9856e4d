#pragma once

#include "app/toolkit/form.h"
#include "data/level_colours.h"
#include "data/style_catalogue.h"

#include <array>

namespace lumatic {

class ClickableLabel;
class ClockWindow;
class Frame;
class PictureButton;
class PositionBox;
class Swatch;
class TextLabel;

// What the main window needs of the other windows; the application provides it.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // The clock window, made hidden on first use.
    virtual ClockWindow &Form2() = 0;
    // The clock window if it exists; asking must not make one.
    virtual ClockWindow *existingForm2() = 0;
    virtual void showForm3() = 0;
    virtual void showForm4() = 0;
    // Closes the main, clock, help and news windows, in this order.
    virtual void closeAll() = 0;
};

// The main window, Form1: the list of light styles, the information area with the preview,
// and the three picture buttons.
class MainWindow : public Form {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowHost &host);

    // A click on list label 1 to 20: selects the entry the label shows.
    void Label_Click(int label);
    // Every write of the position box recolours the swatch after the running clock.
    void stylerun_Change();
    void Form_Click();
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();

    // The list label of entry 1 to 20 (the right column counts its labels backwards).
    ClickableLabel *listLabel(int entry) const { return listLabels_.at(entry - 1); }
    static int entryOfLabel(int label) { return label <= 10 ? label : 31 - label; }

    const LevelColours &levelColours() const { return levelColours_; }

    Frame *Frame1;
    Frame *Frame2;
    Frame *Frame3;
    TextLabel *Label22;
    PictureButton *Image1;
    PictureButton *Image2;
    PictureButton *Image3;
    TextLabel *style;
    TextLabel *strings;
    TextLabel *uses;
    PositionBox *stylerun;
    Swatch *preview;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Form_Load();
    void stopAllClocks();

    MainWindowHost &host_;
    LevelColours levelColours_;
    std::array<ClickableLabel *, styleCount> listLabels_{};
    bool pressed_ = false;
};

} // namespace lumatic

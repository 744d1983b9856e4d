// Image1 help, Image2 news, Image3 close everything; Label1-Label20 the styles; preview swatch.
#pragma once

#include "data/level_colours.h"
#include "data/style_catalogue.h"
#include "toolkit/form.h"

namespace lumatic {

class PositionBox;
class PreviewClocks;
class Swatch;
class TextLabel;

// What the main window needs of the rest of the application; the window registry provides it.
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    // The preview clocks, made hidden on first use.
    virtual PreviewClocks &clocks() = 0;
    // The preview clocks if they exist; asking must not make them.
    virtual PreviewClocks *existingClocks() = 0;
    virtual void showHelp() = 0;
    virtual void showNews() = 0;
    // Closes the main window, the clocks, the help and the news window, in this order.
    virtual void closeAll() = 0;
};

// The main window, Form1: the list of light styles, the information area with the preview,
// and the three picture buttons.
class MainWindow : public Form {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowHost &host);

    // What a running clock writes into the position box.
    void showPosition(const QString &text);

    // A click on list label 1 to 20: selects the entry the label shows.
    void Label_Click(int label);
    void Form_Click();
    void Image1_Click();
    void Image2_Click();
    void Image3_Click();

    // The right column counts its labels backwards: Label11 shows entry 20.
    static int entryOfLabel(int label) { return label <= 10 ? label : 31 - label; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void makeTopStrip();
    void makeInformation();
    void makeLists();

    void Form_Load();
    // Every write of the position box recolours the swatch after the running clock.
    void stylerun_Change();
    void stopAllClocks();

    MainWindowHost &host_;
    LevelColours levelColours_;
    bool pressed_ = false;

    // The controls the handlers use; the others are known by their object names only.
    TextLabel *style = nullptr;
    TextLabel *strings = nullptr;
    TextLabel *uses = nullptr;
    PositionBox *stylerun = nullptr;
    Swatch *preview = nullptr;
};

} // namespace lumatic

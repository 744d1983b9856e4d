#include "help_window.h"

#include "toolkit/colours.h"
#include "toolkit/controls.h"
#include "toolkit/pictures.h"
#include "toolkit/twips.h"

#include <QPainter>

namespace lumatic {

namespace {

constexpr std::uint32_t lineColour = 0x808080;

const char *const helpText =
    "(This program is meant for map making for the game Kingpin: Life of Crime. First click a "
    "light style you would like to read more about and see a short preview. When found a good "
    "one for your map, use the # in (most likely) Kpradiant for...";

const char *const aboutText =
    "This handy little program was made by the Lumatic authors. Our web site, "
    "www.example.org, has lots of other files and maps. Write to lumatic@example.org to "
    "contact us.";

} // namespace

HelpWindow::HelpWindow()
    : Form("Form3", QStringLiteral("Help and About"), twipSize(3840, 5130), darkBackground) {
    auto *Frame1 = new Frame(this, "Frame1", twipRect(120, 360, 3615, 2535),
                             QStringLiteral("Help (Instructions)"), darkBackground, captionColour,
                             arial(9.75));
    auto *Label1 = new TextLabel(Frame1, "Label1", twipRect(120, 360, 3375, 1455),
                                 QString::fromLatin1(helpText), textColour);
    auto *Label2 = new TextLabel(Frame1, "Label2", twipRect(120, 1920, 855, 255),
                                 QStringLiteral("Key: Style"), captionColour);
    auto *Label3 = new TextLabel(Frame1, "Label3", twipRect(120, 2160, 735, 255),
                                 QStringLiteral("Value: #"), captionColour);
    auto *Frame2 = new Frame(this, "Frame2", twipRect(120, 3000, 3615, 1935),
                             QStringLiteral("About"), darkBackground, captionColour, font());
    auto *Label4 = new TextLabel(Frame2, "Label4", twipRect(120, 360, 3375, 1455),
                                 QString::fromLatin1(aboutText), textColour);
    for (TextLabel *label : {Label1, Label2, Label3, Label4})
        label->setFont(arial(9));
    auto *Image1 = new PictureButton(this, "Image1", twipRect(3360, 0, 360, 330),
                                     picture(Picture::CloseButton), QStringLiteral("Close"));
    connect(Image1, &PictureButton::clicked, this, &HelpWindow::Image1_Click);
}

void HelpWindow::Image1_Click() {
    close();
}

void HelpWindow::paintEvent(QPaintEvent *) {
    // Line1 runs along the top, from the left edge to the picture.
    QPainter painter(this);
    painter.setPen(colourFromValue(lineColour));
    painter.drawLine(0, px(120), px(3360) - 1, px(120));
}

} // namespace lumatic

#include "colours.h"

#include <QWidget>

namespace lumatic {

void setColour(QWidget *widget, QPalette::ColorRole role, std::uint32_t value) {
    QPalette palette = widget->palette();
    palette.setColor(role, colourFromValue(value));
    widget->setPalette(palette);
}

} // namespace lumatic

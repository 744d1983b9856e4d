#pragma once

#include <QIcon>
#include <QPixmap>

namespace lumatic {

enum class Picture { HelpButton, NewsButton, CloseButton };

// The hand-drawn 16-colour pictures, built into the program.
QPixmap picture(Picture which);
QIcon bookIcon();
QIcon globeIcon();

} // namespace lumatic

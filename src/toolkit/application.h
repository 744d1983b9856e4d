#pragma once

class QApplication;

namespace lumatic {

// What every window expects of the application: its default font and its icon.
void setUpApplication(QApplication &app);

} // namespace lumatic

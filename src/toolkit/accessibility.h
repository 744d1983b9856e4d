#pragma once

namespace lumatic {

// How assistive tools see the windows: containers read their controls in reading order (lines
// top to bottom, each left to right) whatever order they are drawn in, and a clickable label
// offers its click as a press action. Installed once, by the first window.
void installAccessibility();

} // namespace lumatic

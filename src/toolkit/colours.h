#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

class QWidget;

namespace lumatic {

// The dark scheme the windows share.
inline constexpr std::uint32_t darkBackground = 0x1D1D1D;
inline constexpr std::uint32_t captionColour = 0xA6C1C6;
inline constexpr std::uint32_t textColour = 0xC0C0C0;
// Text of a disabled control: the classic disabled grey.
inline constexpr std::uint32_t disabledTextColour = 0x808080;
// The inner line of a raised edge: light above and left, shadow below and right.
inline constexpr std::uint32_t edgeLight = 0xC0C0C0;
inline constexpr std::uint32_t edgeShadow = 0x404040;

// Colours are designed as 0x00BBGGRR values: red in the lowest byte.
inline QColor colourFromValue(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// Gives one role of a widget's palette a designed colour, in every state of the widget.
void setColour(QWidget *widget, QPalette::ColorRole role, std::uint32_t value);

} // namespace lumatic

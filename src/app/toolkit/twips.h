#pragma once

#include <QColor>
#include <QRect>
#include <cstdint>

namespace lumatic {

// Layouts are designed in twips; 15 twips make one logical pixel at 96 dpi, and Qt scales
// logical pixels for high-density screens.
constexpr int twipsPerPixel = 15;

constexpr int px(int twips) {
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

constexpr QRect twipRect(int left, int top, int width, int height) {
    return QRect(px(left), px(top), px(width), px(height));
}

constexpr QSize twipSize(int width, int height) {
    return QSize(px(width), px(height));
}

// The dark scheme the windows share.
inline constexpr std::uint32_t darkBackground = 0x1D1D1D;
inline constexpr std::uint32_t captionColour = 0xA6C1C6;
inline constexpr std::uint32_t textColour = 0xC0C0C0;

// Colours are designed as 0x00BBGGRR values: red in the lowest byte.
inline QColor colourFromValue(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

inline std::uint32_t valueFromColour(const QColor &colour) {
    return std::uint32_t(colour.red()) | std::uint32_t(colour.green()) << 8 |
           std::uint32_t(colour.blue()) << 16;
}

} // namespace lumatic

#pragma once

#include <QRect>

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

} // namespace lumatic

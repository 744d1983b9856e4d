#pragma once

#include "data/level_colours.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace lumatic {

// What each of the twenty clocks plays: the pattern of the entry that owns it, one level
// letter per position.
struct PreviewSequence {
    // The sequence of clock 1 to 20 (Timer1 ... Timer20).
    static std::string_view of(int clock);

    // The letter the given clock shows at the position a text names, or nothing when the text
    // is no position of that clock.
    static std::optional<char> letterAt(int clock, std::string_view text);
};

// A level as the swatch shows it.
struct Level {
    char letter;
    std::int32_t colour;
};

// The swatch's level for a write of the position box: the running clock's letter at the
// written position, with its colour. Nothing when no clock runs or the text is none of its
// positions; the swatch then keeps its colour.
std::optional<Level> swatchLevel(const LevelColours &colours, std::optional<int> runningClock,
                                 std::string_view text);

} // namespace lumatic

#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumatic {

// "7/23": a clock's position and its length in plain decimal, no blanks, no leading zeros.
struct PositionText {
    int position = 0;
    int length = 0;

    std::string str() const;

    // Only the exact form a clock writes is a position text: " 7/23", "07/23" and "7/023" are
    // not, and neither is a position outside 1 to length.
    static std::optional<PositionText> parse(std::string_view text);

    friend bool operator==(const PositionText &, const PositionText &) = default;
};

} // namespace lumatic

#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace lumatic {

// The grey of each level letter, a (dark) to z (bright). The values are kept as decimal
// text, the form the main window holds them in, and converted back each time a colour is
// applied.
class LevelColours {
public:
    static constexpr int count = 26;
    // One level step in the 0x00BBGGRR layout: ten more of red, green and blue.
    static constexpr std::int32_t step = 10 * 0x010101;

    // Stores the 26 texts, a first; a table that was never filled knows no colour.
    void fill();

    bool filled() const { return !texts_.back().empty(); }
    const std::string &text(int index) const { return texts_.at(index); }

    // The colour of a level letter, or nothing for a character that is no level letter or a
    // text that does not convert.
    std::optional<std::int32_t> colour(char letter) const;

private:
    std::array<std::string, count> texts_;
};

} // namespace lumatic

#include "preview_sequence.h"

#include "data/style_catalogue.h"
#include "position_text.h"

#include <array>

namespace lumatic {

namespace {

// Clock k belongs to the entry that starts it; each clock is started by exactly one entry.
constexpr std::array<std::string_view, clockCount> sequences = [] {
    std::array<std::string_view, clockCount> table{};
    for (const StyleEntry &entry : styleCatalogue)
        table[entry.clock - 1] = entry.pattern;
    return table;
}();

} // namespace

std::string_view PreviewSequence::of(int clock) {
    return clock >= 1 && clock <= clockCount ? sequences[clock - 1] : std::string_view{};
}

std::optional<char> PreviewSequence::letterAt(int clock, std::string_view text) {
    const std::string_view sequence = of(clock);
    const auto position = PositionText::parse(text);
    if (!position || std::size_t(position->length) != sequence.size())
        return std::nullopt;
    return sequence[position->position - 1];
}

std::optional<Level> swatchLevel(const LevelColours &colours, std::optional<int> runningClock,
                                 std::string_view text) {
    if (!runningClock)
        return std::nullopt;
    const auto letter = PreviewSequence::letterAt(*runningClock, text);
    if (!letter)
        return std::nullopt;
    const auto colour = colours.colour(*letter);
    if (!colour)
        return std::nullopt;
    return Level{*letter, *colour};
}

} // namespace lumatic

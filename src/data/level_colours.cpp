#include "level_colours.h"

#include <charconv>

namespace lumatic {

void LevelColours::fill() {
    for (int i = 0; i < count; ++i)
        texts_[i] = std::to_string(i * step);
}

std::optional<std::int32_t> LevelColours::colour(char letter) const {
    if (letter < 'a' || letter > 'z')
        return std::nullopt;
    const std::string &text = texts_[letter - 'a'];
    std::int32_t value = 0;
    const char *end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || rest != end)
        return std::nullopt;
    return value;
}

} // namespace lumatic

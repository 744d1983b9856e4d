#include "position_text.h"

#include <algorithm>
#include <charconv>

namespace lumatic {

namespace {

// A whole number as a clock writes it: digits only, no leading zero. from_chars alone would
// also take a minus sign.
std::optional<int> plainNumber(std::string_view digits) {
    if (digits.empty() || digits.front() == '0' ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int value = 0;
    const char *end = digits.data() + digits.size();
    const auto [rest, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc{} || rest != end)
        return std::nullopt;
    return value;
}

} // namespace

std::string PositionText::str() const {
    return std::to_string(position) + '/' + std::to_string(length);
}

std::optional<PositionText> PositionText::parse(std::string_view text) {
    const auto slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto position = plainNumber(text.substr(0, slash));
    const auto length = plainNumber(text.substr(slash + 1));
    if (!position || !length || *position > *length)
        return std::nullopt;
    return PositionText{*position, *length};
}

} // namespace lumatic

#pragma once

#include "position_text.h"

#include <cstdint>

namespace lumatic {

// The count of one preview clock: the position it showed last, 0 before its first tick.
// Starting and stopping the clock never touch it, so a restarted clock resumes where it was.
class PreviewClock {
public:
    constexpr PreviewClock() = default;
    explicit constexpr PreviewClock(int length) : length_(length) {}

    // One tick: the next position, back to 1 after the last.
    PositionText advance() {
        position_ = position_ >= length_ ? 1 : std::int16_t(position_ + 1);
        return {position_, length_};
    }

    int position() const { return position_; }
    int length() const { return length_; }

private:
    std::int16_t position_ = 0;
    int length_ = 0;
};

} // namespace lumatic

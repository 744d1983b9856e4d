#pragma once

#include <array>
#include <string_view>

namespace lumatic {

// One light style as the list shows it and as selecting it fills the information area.
struct StyleEntry {
    int number;
    std::string_view caption;     // the list label
    std::string_view displayName; // differs from the caption for entries 2, 13 and 14
    std::string_view pattern;     // level letters a to z
    std::string_view info;
    int clock; // the preview clock selection starts: 1 for Timer1 ... 20 for Timer20
};

inline constexpr int styleCount = 20;
inline constexpr int clockCount = 20;

// The twenty entries in number order.
// The texts are shown exactly as written here, odd capitals and blanks included: map makers
// know the styles by these words.
inline constexpr std::array<StyleEntry, styleCount> styleCatalogue{{
    {1, "1 - Fire Flicker", "1 - Fire Flicker", "mmnmmommommnonmmonqnmmo",
     "INFO: Mostly used for actual fire light entity. Add light models with this style around the "
     "radius of the flame to give it a greater effect",
     1},
    {2, "2 - Slow Strong Strobe", "2 - Slow Strong Pulse",
     "abcdefghijklmnopqrstuvwxyzyxwvutsrqponmlkjihgfedcba",
     "INFO: A good pulse.  Goes Dark then Lights up again slowly", 2},
    {3, "3 - Candle", "3 - Candle", "mmmmmaaaaammmmmaaaaaabcdefgabcdefg",
     "INFO: A candle light style for old rooms filled with candles. Place a candle by the window "
     "for this style",
     3},
    {4, "4 - Fast Strobe", "4 - Fast Strobe", "mamamamamama",
     "INFO: (Annoying) Use only in certain places such as funhouses or alarms", 4},
    {5, "5 - Gentle Pulse", "5 - Gentle Pulse", "jklmnopqrstuvwxyzyxwvutsrqponmlkj",
     "INFO: A more gentle pulse", 5},
    {6, "6 - Fire Flicker 2", "6 - Fire Flicker 2", "nmonqnmomnmomomno",
     "INFO: An alternate fire flicker. A little darker than the first one", 6},
    {7, "7 - Candle 2", "7 - Candle 2", "mmmaaaabcdefgmmmmaaaammmaamm",
     "INFO: Another candle, flickers a lot more", 7},
    {8, "8 - Candle 3", "8 - Candle 3", "mmmaaammmaaammmabcdefaaaammmmabcdefmmmaaaa",
     "INFO: Another candle, little different than the other candles", 8},
    {9, "9 - Slow Strong Strobe", "9 - Slow Strong Strobe", "aaaaaaaazzzzzzzz",
     "INFO: Slowly flashes. Add another light with style 17 and different color for a great "
     "effect without use of func_timers",
     9},
    {10, "10 - Fluorescent Flicker", "10 - Fluorescent Flicker", "mmamammmmammamamaaamammma",
     "INFO: Used a lot in some maps for broken lights. World/lightf_broke.wav speaker to go with "
     "it, or lightf_broker.wav for a hallway light",
     10},
    {11, "11 - Black Fade Pulse", "11 - Black Fade Pulse", "abcdefghijklmnopqrrqponmlkjihgfedcba",
     "INFO: Starts bright then slowly dims to black", 11},
    {12, "12 - Fire Flicker 3", "12 - Fire Flicker 3", "mmnommomhkmmomnonmmonqnmmo",
     "INFO: Another fire flicker", 12},
    {13, "13 - Fluorescent Flicker 3", "13 - Fluorescent Flicker2", "kmamaamakmmmaakmamakmakmmmma",
     "INFO: An alternate fluorescent flicker. Looks more broker so add the "
     "world/lightf_broker.wav instead",
     13},
    // Entries 14 and 16 play their own patterns on clocks of their own.
    {14, "14 - Fluorescent Flicker 4", "14 - Fluorescent Flicker3",
     "kmmmakakmmaaamammamkmamakmmmma",
     "INFO: An alternate fluorescent flicker. Little smoother than the other two", 14},
    {15, "15 - Realistic Fade", "15 - Realistic Fade", "mmnnoonnmmmmmmmmmnmmmmnonmmmmmmm",
     "INFO: Very smooth fade", 15},
    {16, "16 - Realistic Fade 2", "16 - Realistic Fade 2", "mmmmnonmmmmnmmmmmnonmmmmmnmmmmmmm",
     "INFO: Very smooth fade. Flickers a little bit more than Fade 1", 17},
    {17, "17 - Slow Strong Strobe 2", "17 - Slow Strong Strobe 2", "zzzzzzzzaaaaaaaa",
     "INFO: Opposite of Style 9, so add a light with this style and another with different color "
     "with style of 9. Red and Blue can make a siren",
     16},
    {18, "18 - Three Cycle Strobe 1", "18 - Three Cycle Strobe 1", "zzzzzzzzaaaaaaaaaaaaaaaa",
     "INFO: Used with other lights with styles 19 and 20", 18},
    {19, "19 - Three Cycle Strobe 2", "19 - Three Cycle Strobe 2", "aaaaaaaazzzzzzzzaaaaaaaa",
     "INFO: Used with other lights with styles 18 and 20", 19},
    {20, "20 - Three Cycle Strobe 3", "20 - Three Cycle Strobe 3", "aaaaaaaaaaaaaaaazzzzzzzz",
     "INFO: Used with other lights with styles 18 and 19", 20},
}};

// The entry with the given number, 1 to 20.
const StyleEntry &styleEntry(int number);

} // namespace lumatic

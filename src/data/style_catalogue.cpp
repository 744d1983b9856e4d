#include "style_catalogue.h"

#include <stdexcept>
#include <string>

namespace lumatic {

const StyleEntry &styleEntry(int number) {
    if (number < 1 || number > styleCount)
        throw std::out_of_range("no light style " + std::to_string(number));
    return styleCatalogue[number - 1];
}

} // namespace lumatic

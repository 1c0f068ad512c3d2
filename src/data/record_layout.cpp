#include "record_layout.h"

namespace valmor {

std::string fixedWidth(std::string_view text, std::size_t width) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    return field;
}

} // namespace valmor

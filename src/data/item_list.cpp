#include "item_list.h"

#include "text_input.h"

namespace valmor {

std::vector<std::string> loadItemNames(const std::filesystem::path& path) {
    TextInputFile input(path);
    std::vector<std::string> names;
    names.reserve(kItemCount);
    for (int k = 0; k < kItemCount; ++k)
        names.push_back(input.readField());
    return names;
}

} // namespace valmor

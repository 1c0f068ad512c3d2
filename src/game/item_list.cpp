#include "game/item_list.h"

namespace valmor {

std::vector<TextField> readItemFields(const GamePath& path) {
    TextInputFile input(path, kTextFileLimit, "an item list");
    std::vector<TextField> fields;
    try {
        while (fields.size() < kItemCount)
            fields.push_back(input.readFieldWithPlace());
    } catch (const DataError& error) {
        if (error.kind() != ErrorKind::InputPastEndOfFile)
            throw;
    }
    return fields;
}

std::vector<std::string> loadItemNames(const GamePath& path) {
    TextInputFile input(path, kTextFileLimit, "an item list");
    std::vector<std::string> names;
    names.reserve(kItemCount);
    for (int k = 0; k < kItemCount; ++k)
        names.push_back(input.readField());
    return names;
}

} // namespace valmor

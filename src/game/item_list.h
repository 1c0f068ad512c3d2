// The item name file ("itemlist.txt"): its first 100 text fields are the item names.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "game/text_input.h"

namespace valmor {

inline constexpr const char* kItemListFileName = "itemlist.txt";
inline constexpr int kItemCount = 100;

// The first 100 fields with the lines they stand on, or as many as the file holds.
std::vector<TextField> readItemFields(const GamePath& path);

// The first 100 fields, in file order (bytes as stored, ISO-8859-1). Throws FileNotFound,
// or InputPastEndOfFile when the file holds fewer than 100 fields.
std::vector<std::string> loadItemNames(const GamePath& path);

} // namespace valmor

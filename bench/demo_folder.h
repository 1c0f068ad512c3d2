// A fresh copy of the demo data, with its characters.csv, in the temporary folder under
// `name`, for a benchmark to read and change.
#pragma once

#include <filesystem>

#include "demo/demo_data.h"

namespace valmor::bench {

inline std::filesystem::path freshDemoFolder(const char* name) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(dir);
    demo::writeDemoData(dir, false, true);
    return dir;
}

} // namespace valmor::bench

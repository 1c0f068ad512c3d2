// Shared by the fuzz targets: a failed property aborts, which libFuzzer reports as a
// finding and saves the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace valmor::fuzz {

[[noreturn]] inline void fail(std::string_view what, std::string_view detail = {}) {
    std::fprintf(stderr, "FUZZ CHECK FAILED: %.*s %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(detail.size()), detail.data());
    std::abort();
}

inline void check(bool condition, std::string_view what, std::string_view detail = {}) {
    if (!condition)
        fail(what, detail);
}

inline std::string_view asText(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace valmor::fuzz

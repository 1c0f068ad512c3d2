// 64-bit FNV-1a: simple, stable across machines and releases, and documented at
// http://www.isthe.com/chongo/tech/comp/fnv/. textconv shows it, diff compares by it and the
// rollback journal stores it, so its values never change.
#pragma once

#include <cstdint>
#include <span>

namespace valmor {

inline constexpr std::uint64_t kFnvOffsetBasis = 0xcbf29ce484222325u;

// Continue a hash by passing it back in.
constexpr std::uint64_t fnv1a64(std::span<const std::uint8_t> bytes,
                                std::uint64_t hash = kFnvOffsetBasis) {
    for (const std::uint8_t byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3u;
    }
    return hash;
}

} // namespace valmor

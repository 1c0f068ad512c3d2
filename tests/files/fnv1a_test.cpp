// The one FNV-1a of the project: textconv shows it and the rollback journal stores it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "files/fnv1a.h"

namespace valmor::test {
namespace {

TEST(Fnv1aTest, HashIsSixtyFourBitFnv1a) {
    // Published test values of the function; the hash must never change between releases.
    struct Case {
        const char* row;
        std::string bytes;
        std::uint64_t hash;
    };
    const Case cases[] = {
        {"empty", "", 0xcbf29ce484222325u},
        {"a", "a", 0xaf63dc4c8601ec8cu},
        {"foobar", "foobar", 0x85944171f73967e8u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        EXPECT_EQ(fnv1a64({reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()}),
                  c.hash);
    }
}

} // namespace
} // namespace valmor::test

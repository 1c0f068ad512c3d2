// The editor's tables of controls against the record layouts: a row names a field of the
// layout once and shows it as its kind allows, and the fill steps run from 1 without a gap.
#include <gtest/gtest.h>

#include "editor/field_controls.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

TEST(FieldControlsTest, RowsThatMissTheLayoutOrTheFillOrderAreRefused) {
    using C = FieldControl;
    struct Case {
        std::array<FieldControlRow, 2> rows;
        bool fits;
    };
    constexpr Case cases[] = {
        {{{{"name", "a", C::FixedText, 1}, {"hp", "b", C::Number, 2}}}, true},
        {{{{"name", "a", C::FixedText, 1}, {"hp3", "b", C::Number, 2}}}, false},   // no such field
        {{{{"hp", "a", C::Number, 1}, {"hp", "b", C::WholeNumber, 2}}}, false},    // a field twice
        {{{{"name", "a", C::Number, 1}, {"hp", "b", C::Number, 2}}}, false},       // text as number
        {{{{"name", "a", C::FixedText, 1}, {"hp", "b", C::FixedText, 2}}}, false}, // and back
        {{{{"name", "a", C::FixedText, 2}, {"hp", "b", C::Number, 2}}}, false},    // a step twice
        {{{{"name", "a", C::FixedText, 1}, {"hp", "b", C::Number, 3}}}, false},    // past the rows
        {{{{"name", "a", C::FixedText, 0}, {"hp", "b", C::Number, 1}}}, false},    // below 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        EXPECT_EQ(controlsFitLayout(c.rows, kMonsterLayout), c.fits);
    }
}

} // namespace
} // namespace valmor::test

// The name a row of a table-driven test carries in a failure message: its place in the
// table, given with SCOPED_TRACE(rowName(cases, row)).
#pragma once

#include <iterator>
#include <string>

namespace valmor {

template <typename Table, typename Row> std::string rowName(const Table& table, const Row& row) {
    return "row " + std::to_string(&row - std::data(table));
}

} // namespace valmor

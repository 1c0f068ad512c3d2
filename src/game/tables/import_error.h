// The failure of a table import: every problem found, each with its line and column.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "files/error.h"
#include "game/tables/text_table.h"

namespace valmor::tables {

// The DataError of kind TableRejected, naming the table as its subject; its message is the
// problems, a line each ("stats.csv:2:1: name: ..."). Nothing has been written when this is
// thrown. `problems` are in the order of their positions; `total` counts those that were
// found but not kept as well.
class ImportError : public DataError {
public:
    ImportError(std::string source, std::vector<TableProblem> problems, std::size_t total = 0);

    const std::string& source() const { return subject(); }
    const std::vector<TableProblem>& problems() const { return problems_; }
    std::size_t total() const { return total_; }

private:
    std::vector<TableProblem> problems_;
    std::size_t total_;
};

// Collects the problems of a table while it is read. Only the first ones are kept, so
// that a table with a fault in every cell costs no more memory than a sound one.
class ProblemList {
public:
    static constexpr std::size_t kKept = 1000;

    void add(TextPosition at, std::string message);
    void add(const ImportError& error);
    bool empty() const { return total_ == 0; }

    // Throws ImportError naming `source`, with the problems in the order of their positions.
    [[noreturn]] void raise(const std::string& source);

private:
    std::vector<TableProblem> kept_;
    std::size_t total_ = 0;
};

} // namespace valmor::tables

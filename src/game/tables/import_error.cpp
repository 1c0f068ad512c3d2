#include "game/tables/import_error.h"

#include <algorithm>
#include <span>

namespace valmor::tables {

namespace {

// A table with a systematic fault (a shifted column) has a problem in every row; the
// first ones are enough to see it.
constexpr std::size_t kShownProblems = 20;

std::string describe(const std::string& source, const std::vector<TableProblem>& problems,
                     std::size_t total) {
    std::string text;
    const std::size_t shown = std::min(problems.size(), kShownProblems);
    for (const TableProblem& problem : std::span(problems).first(shown)) {
        if (!text.empty())
            text += '\n';
        text += source + ':' + std::to_string(problem.at.line) + ':' +
                std::to_string(problem.at.column) + ": " + problem.message;
    }
    if (total > shown)
        text += "\n" + source + ": " + std::to_string(total - shown) + " more problems not shown";
    return text;
}

} // namespace

ImportError::ImportError(std::string source, std::vector<TableProblem> problems, std::size_t total)
    : DataError(ErrorKind::TableRejected, source,
                describe(source, problems, std::max(total, problems.size()))),
      problems_(std::move(problems)), total_(std::max(total, problems_.size())) {}

void ProblemList::add(TextPosition at, std::string message) {
    ++total_;
    if (kept_.size() < kKept)
        kept_.push_back({at, std::move(message)});
}

void ProblemList::add(const ImportError& error) {
    for (const TableProblem& problem : error.problems())
        add(problem.at, problem.message);
    total_ += error.total() - error.problems().size();
}

void ProblemList::raise(const std::string& source) {
    std::ranges::stable_sort(kept_, {}, &TableProblem::at);
    throw ImportError(source, std::move(kept_), total_);
}

} // namespace valmor::tables

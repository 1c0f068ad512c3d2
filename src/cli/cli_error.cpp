#include "cli/cli_error.h"

namespace valmor::cli {

namespace {

// A table with a systematic fault (a shifted column) has a problem in every row; the
// first ones are enough to see it.
constexpr std::size_t kShownProblems = 20;

std::string describe(const std::string& source, const std::vector<TableProblem>& problems) {
    std::string text;
    for (std::size_t i = 0; i < problems.size(); ++i) {
        if (i == kShownProblems) {
            text += "\n" + source + ": " + std::to_string(problems.size() - i) +
                    " more problems not shown";
            break;
        }
        const TableProblem& problem = problems[i];
        if (!text.empty())
            text += '\n';
        text += source + ':' + std::to_string(problem.at.line) + ':' +
                std::to_string(problem.at.column) + ": " + problem.message;
    }
    return text;
}

} // namespace

ImportError::ImportError(std::string source, std::vector<TableProblem> problems)
    : CliError(describe(source, problems)), source_(std::move(source)),
      problems_(std::move(problems)) {}

} // namespace valmor::cli

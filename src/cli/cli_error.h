// Failures of the command-line tool that the user can act on: each carries the message
// for standard error, so no exception ever reaches the user as a stack trace.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "cli/text_table.h"

namespace valmor::cli {

// A failure of a command: reported on standard error, exit status 1.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line the tool does not understand: exit status 2.
class UsageError : public CliError {
public:
    using CliError::CliError;
    UsageError(const std::string& message, std::string command)
        : CliError(message), command_(std::move(command)) {}

    // The command whose help would explain it; empty for the tool's own options.
    const std::string& command() const { return command_; }

private:
    std::string command_;
};

// Every problem found in an imported table, each with its line and column. Nothing has
// been written when this is thrown.
class ImportError : public CliError {
public:
    ImportError(std::string source, std::vector<TableProblem> problems);

    const std::string& source() const { return source_; }
    const std::vector<TableProblem>& problems() const { return problems_; }

private:
    std::string source_;
    std::vector<TableProblem> problems_;
};

} // namespace valmor::cli

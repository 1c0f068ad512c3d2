// Failures of the command-line tool that the user can act on: each carries the message
// for standard error, so no exception ever reaches the user as a stack trace.
#pragma once

#include <stdexcept>
#include <string>

// A rejected table is reported by runCli along with these.
#include "game/tables/import_error.h"

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

} // namespace valmor::cli

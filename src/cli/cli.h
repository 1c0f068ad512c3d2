// The command line of valmor-data: parses the arguments, runs one command and turns
// every failure into a message on standard error and an exit status.
#pragma once

#include <istream>
#include <ostream>

#include <QStringList>

namespace valmor::cli {

// Exit statuses; check has its own (0 clean, 1 warnings only, 2 errors).
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `arguments` start with the program name. Never throws.
int runCli(const QStringList& arguments, std::istream& in, std::ostream& out, std::ostream& err,
           bool errIsTerminal);

} // namespace valmor::cli

// The command line of valmor-data: parses the arguments, runs one command and turns
// every failure into a message on standard error and an exit status.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace valmor::cli {

// Exit statuses; check has its own (0 clean, 1 warnings only, 2 errors).
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// `arguments` start with the program name; each is used byte for byte, whatever its
// encoding. Never throws.
int runCli(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
           std::ostream& err, bool errIsTerminal);

} // namespace valmor::cli

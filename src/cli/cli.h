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
// encoding. `errIsTerminal` draws progress bars on `err`; `outIsTerminal` escapes
// what goes to `out` as messages are escaped (src/cli/terminal_text.h), where without it
// the bytes go out exact. `outDescriptor` is the descriptor behind `out` (1 for standard
// output), whose file a command refuses to write into when it is a game file or one of the
// command's inputs; -1 when `out` is no file. `errDescriptor` is the same for `err`: on
// such a file the command does nothing, says nothing and fails. Never throws.
int runCli(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
           std::ostream& err, bool errIsTerminal, bool outIsTerminal = false,
           int outDescriptor = -1, int errDescriptor = -1);

} // namespace valmor::cli

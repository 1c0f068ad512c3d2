// Standard output and standard error that a shell pointed at a file the command must not
// change: `valmor-data textconv monsters.tat >> monsters.tat`, `check 2>> monster.dat`,
// `diff A B >> B/monster.dat`, `balance --characters my.csv 2>> my.csv`. Looked at before
// anything is parsed or written, so that no message, help text or table lands there.
#pragma once

#include <string>
#include <vector>

namespace valmor::cli {

// Thrown when standard error is such a file: no word of the refusal may go there.
struct StandardErrorGuarded {};

// Throws CliError when `outFd` (standard output), and StandardErrorGuarded when `errFd`, is
// a regular file that is a game file, the profiles or the sprite journal of the game folder
// the arguments name (-C, or the working directory), one of those in a folder named as an
// argument, a file directly inside such a folder, or a file an argument names that holds
// something (a file the shell just created empty for the output holds nothing to lose). A
// pipe, terminal, socket or device is never refused. `arguments` follow the program's name.
void refuseStandardStreams(const std::vector<std::string>& arguments, int outFd, int errFd);

} // namespace valmor::cli

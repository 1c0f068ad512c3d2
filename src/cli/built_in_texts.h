// The texts of valmor-data that live in files of their own, built into the program as Qt
// resources: each command's help (src/cli/help/COMMAND.txt) and the report's style sheet
// and script (src/cli/report/).
#pragma once

#include <string>
#include <string_view>

namespace valmor::cli {

// The bytes of the built-in file `name`, such as "report/report.css". A name that was not
// built in is an internal error (DataError).
std::string builtInText(std::string_view name);

// The help of `command` as --help shows it between the usage line and the options: the
// file help/COMMAND.txt without its last line end.
std::string helpText(std::string_view command);

} // namespace valmor::cli

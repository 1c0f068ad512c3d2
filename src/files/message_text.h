// Outside text echoed in a message: a path or argument from the command line, a name read
// from a game file. Terminals act on control characters, so none may reach one raw.
#pragma once

#include <string>
#include <string_view>

namespace valmor {

// `bytes` as a message shows them: valid UTF-8 as it is, but every C0 control, DEL, C1
// control (U+0080 to U+009F), bidirectional control (U+202E and its kin) and every byte
// that is not part of valid UTF-8 written as \xNN, one escape per byte. Nothing else
// changes, so a plain name reads as typed.
std::string escapeForMessage(std::string_view bytes);

} // namespace valmor

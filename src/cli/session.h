// What every command of valmor-data works with: the session (the game folder and the
// standard streams), the guard that keeps an output off the game files and the command's
// inputs, and the writing of an output.
#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "files/game_file.h"

namespace valmor::cli {

struct Session {
    GameDirectory folder;       // the game's folder, open; the working directory by default
    std::istream& in;           // an import from "-" reads this
    std::ostream& out;          // tables exported without -o, and summaries
    std::ostream& err;          // notes and the progress bar
    bool errIsTerminal = false; // draw a progress bar on `err`
    int outDescriptor = -1;     // the file behind `out` (standard output), -1 for none

    GamePath file(std::string_view name) const { return folder.file(name); }
};

// Where a command draws its progress bar: standard error when it is a terminal, else
// nowhere.
inline std::ostream* progressStream(const Session& session) {
    return session.errIsTerminal ? &session.err : nullptr;
}

// The files an output must not replace: the game files of the session's folder, the
// profiles the balance window reads beside them (characters.csv, and targets.csv), and
// `inputs`, the files the command reads. A missing game file or profiles file is guarded
// by its name in the game folder; a missing input guards nothing.
class GameFileIdentities {
public:
    explicit GameFileIdentities(const Session& session,
                                const std::vector<std::filesystem::path>& inputs = {});
    // Throws CliError when `output` names, or links to, one of those files, or is the name
    // of a game file or profiles file in the game folder (the refusal names `what`, such as
    // "a table", when given).
    void refuse(const std::filesystem::path& output, std::string_view what = {}) const;
    // Throws CliError when the open file `fd` (standard output, `shownAs`) is one of them.
    void refuseDescriptor(int fd, std::string_view shownAs, std::string_view what = {}) const;

private:
    struct GuardedFile {
        FileIdentity identity;
        std::string role; // "the game file", "its own input", ...
    };
    struct GuardedName {
        std::string name; // as the game folder looks it up: exactly these bytes
        std::string role;
    };
    void refuseIdentity(const FileIdentity& target, std::string_view shownAs,
                        std::string_view what) const;

    std::vector<GuardedFile> files_;
    std::vector<GuardedName> names_;
    std::optional<FileIdentity> folder_; // the game folder itself
};

// Writes `output` as `write` produces it (see writeOutputFile), refusing to write over a
// file GameFileIdentities guards, `inputs` among them; "-" or empty writes to session.out,
// refused in the same way when session.outDescriptor is such a file.
// True when a file was written, false when the output went to a stream (standard output,
// a device, a pipe).
bool writeOutput(const Session& session, const std::filesystem::path& output,
                 const std::function<void(std::ostream&)>& write, std::string_view what = {},
                 const std::vector<std::filesystem::path>& inputs = {});
bool writeOutput(const Session& session, const std::filesystem::path& output, std::string_view text,
                 std::string_view what = {}, const std::vector<std::filesystem::path>& inputs = {});

} // namespace valmor::cli

#include "cli/standard_streams.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>

#include "balance/character_profiles.h"
#include "cli/cli_error.h"
#include "files/error.h"
#include "files/game_file.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

#include <sys/stat.h>
#include <unistd.h>

namespace valmor::cli {

namespace {

struct Guarded {
    FileIdentity identity;
    std::string_view role;
};

struct FileName {
    const char* name;
    std::string_view role;
};

// The files of a game folder that no stream may go into.
constexpr std::array kFolderFiles{
    FileName{kPaletteFileName, "the game file"},
    FileName{kSpriteFileName, "the game file"},
    FileName{kMonsterFileName, "the game file"},
    FileName{kEncounterFileName, "the game file"},
    FileName{kItemListFileName, "the game file"},
    FileName{"monster.dat.valmor-journal", "the sprite journal"},
    FileName{kCharactersFileName, "the balance profiles"},
    FileName{"targets.csv", "the balance targets"},
};

std::optional<FileIdentity> identityOfPath(const GamePath& path) {
    try {
        return identityOf(path);
    } catch (const DataError&) {
        return std::nullopt; // nothing there to guard
    }
}

// The folder -C names (the last one given), or the working directory.
std::filesystem::path gameFolderOf(const std::vector<std::string>& arguments) {
    std::filesystem::path folder = ".";
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if ((argument == "-C" || argument == "--directory") && i + 1 < arguments.size())
            folder = arguments[++i];
        else if (argument.starts_with("--directory="))
            folder = argument.substr(12);
        else if (argument.starts_with("-C") && argument.size() > 2)
            folder = argument.substr(2);
    }
    return folder;
}

class StreamGuard {
public:
    explicit StreamGuard(const std::vector<std::string>& arguments) {
        // Looked at by name, not opened: the command opens the folder itself, and says what
        // fails there.
        const std::filesystem::path game = gameFolderOf(arguments);
        const std::optional<FileIdentity> gameFolder = identityOfPath(GamePath(game));
        if (gameFolder) {
            for (const FileName& file : kFolderFiles)
                guard(GamePath(game / file.name), file.role);
        }
        for (const std::string& argument : arguments) {
            const std::size_t equals = argument.find('=');
            const std::string path = argument.starts_with("--") && equals != std::string::npos
                                         ? argument.substr(equals + 1)
                                         : argument;
            struct stat status {};
            if (path.empty() || ::stat(path.c_str(), &status) != 0)
                continue;
            const FileIdentity identity{static_cast<std::uint64_t>(status.st_dev),
                                        static_cast<std::uint64_t>(status.st_ino)};
            if (S_ISREG(status.st_mode) && status.st_size > 0) {
                guarded_.push_back({identity, "its own input"});
            } else if (S_ISDIR(status.st_mode) && !(gameFolder && gameFolder->sameFile(identity))) {
                folders_.push_back(identity);
                for (const FileName& file : kFolderFiles)
                    guard(GamePath(std::filesystem::path(path) / file.name), file.role);
            }
        }
    }

    // The role of the file open as `fd`, when it is one no stream may go into.
    std::optional<std::string_view> roleOf(int fd) const {
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
            return std::nullopt;
        const FileIdentity identity{static_cast<std::uint64_t>(status.st_dev),
                                    static_cast<std::uint64_t>(status.st_ino)};
        for (const Guarded& file : guarded_) {
            if (file.identity.sameFile(identity))
                return file.role;
        }
        if (!folders_.empty()) {
            std::array<char, 4096> target{};
            const std::string link = "/proc/self/fd/" + std::to_string(fd);
            const ssize_t got = ::readlink(link.c_str(), target.data(), target.size());
            struct stat parent {};
            if (got > 0 && static_cast<std::size_t>(got) < target.size() &&
                ::stat(
                    std::filesystem::path(std::string(target.data(), static_cast<std::size_t>(got)))
                        .parent_path()
                        .c_str(),
                    &parent) == 0) {
                const FileIdentity folder{static_cast<std::uint64_t>(parent.st_dev),
                                          static_cast<std::uint64_t>(parent.st_ino)};
                for (const FileIdentity& input : folders_) {
                    if (input.sameFile(folder))
                        return "a file of its own input folder";
                }
            }
        }
        return std::nullopt;
    }

private:
    void guard(const GamePath& path, std::string_view role) {
        if (const auto identity = identityOfPath(path))
            guarded_.push_back({*identity, role});
    }

    std::vector<Guarded> guarded_;
    std::vector<FileIdentity> folders_;
};

} // namespace

void refuseStandardStreams(const std::vector<std::string>& arguments, int outFd, int errFd) {
    struct stat out {};
    struct stat err {};
    const bool outIsFile = outFd >= 0 && ::fstat(outFd, &out) == 0 && S_ISREG(out.st_mode);
    const bool errIsFile = errFd >= 0 && ::fstat(errFd, &err) == 0 && S_ISREG(err.st_mode);
    if (!outIsFile && !errIsFile)
        return;
    const StreamGuard guard(arguments);
    if (errIsFile && guard.roleOf(errFd))
        throw StandardErrorGuarded{};
    if (const auto role = outIsFile ? guard.roleOf(outFd) : std::nullopt)
        throw CliError("will not write over " + std::string(*role) + " (standard output)");
}

} // namespace valmor::cli

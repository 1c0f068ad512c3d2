#include "cli/session.h"

#include <sys/stat.h>

#include "balance/character_profiles.h"
#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/game_data.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"

namespace valmor::cli {

namespace {

// The balance targets, kept in the game folder beside the profiles (characters.csv).
constexpr const char* kTargetsFileName = "targets.csv";

} // namespace

GameFileIdentities::GameFileIdentities(const Session& session,
                                       const std::vector<std::filesystem::path>& inputs) {
    const auto guard = [&](const GamePath& file, std::string_view role) {
        try {
            files_.push_back({identityOf(file), std::string(role)});
        } catch (const DataError&) {
            // Not there: nothing to guard.
        }
    };
    const auto guardName = [&](const char* name, std::string_view role) {
        guard(session.file(name), role);
        names_.push_back({name, std::string(role)});
    };
    for (const char* name : {kPaletteFileName, kSpriteFileName, kMonsterFileName,
                             kEncounterFileName, kItemListFileName})
        guardName(name, "the game file");
    guardName(kCharactersFileName, "the balance profiles");
    guardName(kTargetsFileName, "the balance targets");
    guardName("monster.dat.valmor-journal", "the sprite journal");
    for (const std::filesystem::path& input : inputs) {
        if (!input.empty())
            guard(input, "its own input");
    }
    struct stat folder {};
    if (::fstatat(session.folder.fd(), ".", &folder, 0) == 0)
        folder_ = FileIdentity{static_cast<std::uint64_t>(folder.st_dev),
                               static_cast<std::uint64_t>(folder.st_ino)};
}

void GameFileIdentities::refuseIdentity(const FileIdentity& target, std::string_view shownAs,
                                        std::string_view what) const {
    for (const GuardedFile& file : files_) {
        if (file.identity.sameFile(target))
            throw CliError("will not write " + (what.empty() ? "" : std::string(what) + ' ') +
                           "over " + file.role + ' ' + std::string(shownAs));
    }
}

void GameFileIdentities::refuse(const std::filesystem::path& output, std::string_view what) const {
    // A game file's name in the game folder stays its own even while the file is missing:
    // the game and the balance window would read whatever is written there.
    const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
    struct stat status {};
    if (folder_ && ::stat(folder.c_str(), &status) == 0 &&
        folder_->sameFile({static_cast<std::uint64_t>(status.st_dev),
                           static_cast<std::uint64_t>(status.st_ino)})) {
        for (const GuardedName& name : names_) {
            if (output.filename() == name.name)
                throw CliError("will not write " + (what.empty() ? "" : std::string(what) + ' ') +
                               "over " + name.role + ' ' + shownPath(output));
        }
    }
    try {
        refuseIdentity(identityOf(output), shownPath(output), what);
    } catch (const DataError&) {
        // nothing there yet, or nothing that can be reached: no file to guard
    }
}

void GameFileIdentities::refuseDescriptor(int fd, std::string_view shownAs,
                                          std::string_view what) const {
    struct stat status {};
    if (::fstat(fd, &status) == 0)
        refuseIdentity(
            {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)},
            shownAs, what);
}

bool writeOutput(const Session& session, const std::filesystem::path& output,
                 const std::function<void(std::ostream&)>& write, std::string_view what,
                 const std::vector<std::filesystem::path>& inputs) {
    if (output.empty() || output == "-") {
        // `>> monsters.tat` is the same slip as -o monsters.tat.
        if (session.outDescriptor >= 0)
            GameFileIdentities(session, inputs)
                .refuseDescriptor(session.outDescriptor, "(standard output)", what);
        write(session.out);
        return false;
    }
    // An output that leads to a game file or to the command's own input, by a slip of -o
    // or through a link, would destroy it.
    GameFileIdentities(session, inputs).refuse(output, what);
    return writeOutputFile(output, write);
}

bool writeOutput(const Session& session, const std::filesystem::path& output, std::string_view text,
                 std::string_view what, const std::vector<std::filesystem::path>& inputs) {
    return writeOutput(
        session, output,
        [&](std::ostream& stream) {
            stream.write(text.data(), static_cast<std::streamsize>(text.size()));
        },
        what, inputs);
}

} // namespace valmor::cli

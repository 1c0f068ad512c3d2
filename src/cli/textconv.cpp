#include "cli/textconv.h"

#include <cstdio>
#include <string>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "files/error.h"
#include "files/message_text.h"

namespace valmor::cli {

namespace {

constexpr std::size_t kHashChunkBytes = 65536;

// A file that no game file of its kind can be: too many records or frames, a text past
// the bound, a palette level beyond any number. Other errors (a missing or unreadable
// file) are trouble with the file, not with what it holds.
bool refusedForItsContents(const DataError& error) {
    return error.kind() == ErrorKind::FileTooLarge || error.kind() == ErrorKind::Overflow;
}

// The line shown for a refused file: why, its size and its FNV-1a 64 hash, read again in
// chunks so that even a file of many gigabytes needs no more memory than one chunk. Two
// versions of the file give two lines unless their bytes are the same.
std::string refusedLine(const std::filesystem::path& file, GameFileKind kind,
                        const DataError& error) {
    std::uint64_t size = 0;
    std::uint64_t hash = kFnvOffsetBasis;
    readGameFileChunks(file, kHashChunkBytes, [&](std::span<const std::uint8_t> chunk) {
        hash = fnv1a64(chunk, hash);
        size += chunk.size();
    });
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return std::string(fileNameOf(kind)) + " not shown (" + escapeForMessage(error.what()) +
           "): " + std::to_string(size) + " bytes, fnv1a64=" + hex;
}

} // namespace

void textconv(const Session& session, const std::filesystem::path& file,
              std::optional<GameFileKind> as) {
    const std::optional<GameFileKind> kind = as ? as : recogniseGameFile(file);
    if (!kind)
        throw CliError(shownPath(file) +
                       ": no game file of this name; say which it is with --as NAME");
    // The lines of a text file (at most kTextFileLimit bytes) are kept until it is read
    // to its end, so that a level that overflows late refuses the file before any of
    // it is shown. Those of a record or sprite file go out as each entry is read, so
    // memory does not grow with the file: those are refused by their size, before the
    // first entry.
    const bool keepLines = *kind == GameFileKind::Palette || *kind == GameFileKind::Items;
    std::string kept;
    bool shown = false;
    try {
        forEachEntry(file, *kind, [&](Entry&& entry) {
            if (keepLines) {
                kept += entryLine(entry) + '\n';
                return;
            }
            shown = true;
            session.out << entryLine(entry) << '\n';
        });
    } catch (const DataError& error) {
        // A refusal ends with status 0, so that git log -p and git show go on to the
        // other files and commits; one that comes after lines went out (a file that grew
        // while it was read) is an error, as the lines shown are not the file.
        if (!refusedForItsContents(error) || shown)
            throw;
        session.out << refusedLine(file, *kind, error) << '\n';
        return;
    }
    session.out << kept;
}

} // namespace valmor::cli

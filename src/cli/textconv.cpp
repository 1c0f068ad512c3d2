#include "cli/textconv.h"

#include "cli/cli_error.h"
#include "cli/files.h"

namespace valmor::cli {

void textconv(const Session& session, const std::filesystem::path& file,
              std::optional<GameFileKind> as) {
    const std::optional<GameFileKind> kind = as ? as : recogniseGameFile(file);
    if (!kind)
        throw CliError(shownPath(file) +
                       ": no game file of this name; say which it is with --as NAME");
    // Each line goes out as its entry is read, so memory does not grow with the file.
    forEachEntry(file, *kind, [&](Entry&& entry) { session.out << entryLine(entry) << '\n'; });
}

} // namespace valmor::cli

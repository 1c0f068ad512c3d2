#include "cli/textconv.h"

#include "cli/cli_error.h"

namespace valmor::cli {

void textconv(const Session& session, const std::filesystem::path& file,
              std::optional<GameFileKind> as) {
    const std::optional<GameFileKind> kind = as ? as : recogniseGameFile(file);
    if (!kind)
        throw CliError(file.string() +
                       ": no game file of this name; say which it is with --as NAME");
    for (const Entry& entry : readEntries(file, *kind).entries)
        session.out << entryLine(entry) << '\n';
}

} // namespace valmor::cli

// The table commands of valmor-data: the stats and encounter files as CSV or JSON tables,
// and back. An import holds the file's lock for the whole read, change and write.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>

#include "cli/session.h"
#include "game/tables/record_tables.h"

namespace valmor::cli {

// `output` empty or "-": the table goes to session.out.
void exportStats(const Session& session, tables::TableFormat format,
                 const std::filesystem::path& output);
void exportEncounters(const Session& session, tables::TableFormat format,
                      const std::filesystem::path& output);

// `input` "-": the table comes from session.in. Without a format, a table that starts
// with a bracket is JSON, anything else CSV. A table of fewer records than the file holds
// is refused unless `truncate`. The file is replaced whole. Gives the number of records
// written.
std::size_t importStats(const Session& session, const std::filesystem::path& input,
                        std::optional<tables::TableFormat> format, bool truncate = false);
std::size_t importEncounters(const Session& session, const std::filesystem::path& input,
                             std::optional<tables::TableFormat> format, bool truncate = false);

} // namespace valmor::cli

// The tune command: the smallest changes to the monsters' stats (or the maps' slot
// frequencies) that bring every map and profile into the target bands of a targets table,
// written as a change list.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "balance/tuner.h"
#include "cli/session.h"

namespace valmor::cli {

inline constexpr int kTuneMet = 0;
inline constexpr int kTuneUnmet = 1;
inline constexpr int kTuneTrouble = 2;

// The options as given on the command line, nothing for one not given; each throws
// UsageError for a value it cannot read, an empty one among them. `levers`: "stats",
// "frequencies" or both, comma-separated. `monsters`: numbers and ranges ("3,7-9").
// `fields`: names of kTunableStats. `maxChange`: a percentage above 0.
TuneOptions tuneOptions(const std::optional<std::string>& levers,
                        const std::optional<std::string>& monsters,
                        const std::optional<std::string>& fields,
                        const std::optional<std::string>& maxChange);

// Writes the change list to `output` ("-" or empty: standard output) and the summary on
// session.err. Gives kTuneMet or kTuneUnmet; throws on trouble.
int tuneCommand(const Session& session, const std::filesystem::path& characters,
                const std::filesystem::path& targets, const std::filesystem::path& output,
                const TuneOptions& options);

} // namespace valmor::cli

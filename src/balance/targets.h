// Target bands: how often each map should defeat each character profile, read from the game
// folder's targets.csv (`maps,profile,defeat_min,defeat_max`, one band a row), and how a
// cell's chance of defeat stands against its band.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "balance/balance.h"
#include "balance/balance_model.h"

namespace valmor {

inline constexpr const char* kTargetsFileName = "targets.csv";

// A chance of defeat in percent, both ends included.
struct TargetBand {
    double min = 0;
    double max = 100;

    bool operator==(const TargetBand&) const = default;
};

// "0-10%", "25-100%".
std::string bandText(const TargetBand& band);

// The chance of defeat a target compares, in percent: an unbeatable map 100, an empty one
// 0, the chance otherwise; nothing for an error cell, which misses every band.
std::optional<double> targetPercent(const MapOutcome& outcome);

enum class TargetStatus {
    NoBand,       // no row names the cell
    Inside,       // within its band
    TooDangerous, // above its band
    TooEasy,      // below its band
    Failed,       // an error cell with a band
};

TargetStatus targetStatus(const std::optional<TargetBand>& band, const MapOutcome& outcome);
// The same for a chance of defeat given as targetPercent gives it.
TargetStatus targetStatus(const std::optional<TargetBand>& band, std::optional<double> percent);
inline bool missesBand(TargetStatus status) {
    return status == TargetStatus::TooDangerous || status == TargetStatus::TooEasy ||
           status == TargetStatus::Failed;
}
// Percentage points outside the band (0 inside it, 100 for an error cell).
double distanceOutside(const TargetBand& band, const MapOutcome& outcome);

// The band of every cell: maps 1 to kMapCount, profiles as the profiles given.
class TargetBands {
public:
    TargetBands() = default;
    TargetBands(std::size_t maps, std::size_t profiles)
        : maps_(maps), profiles_(profiles), bands_(maps * profiles) {}

    std::size_t mapCount() const { return maps_; }
    std::size_t profileCount() const { return profiles_; }
    // Nothing for a cell outside the table (a map past the last one a band can name).
    const std::optional<TargetBand>& band(BalanceCell cell) const;
    std::optional<TargetBand>& band(BalanceCell cell);
    std::size_t bandCount() const;
    bool empty() const { return bandCount() == 0; }

    bool operator==(const TargetBands&) const = default;

private:
    std::size_t maps_ = 0;
    std::size_t profiles_ = 0;
    std::vector<std::optional<TargetBand>> bands_; // per map, per profile
};

// Reads a targets table against the profiles in use. The columns maps, profile, defeat_min
// and defeat_max in any order, others ignored; `maps` a map number or a range "12-37" within
// 1 to kMapCount; `profile` a profile's name or "*" for every profile; the two percentages 0
// to 100, either empty. A cell named by several rows gets the overlap of their bands. Throws
// DataError (InvalidPropertyValue) whose text names `source`, the line and the column of the
// first problem: a map outside the range, an unknown profile, no number, min above max, a
// band that does not overlap an earlier one for the same cell (naming its line).
TargetBands targetsFromCsv(std::string_view text, const std::string& source,
                           const std::vector<CharacterProfile>& profiles);

} // namespace valmor

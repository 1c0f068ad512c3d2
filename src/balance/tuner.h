// The tuning assistant: the smallest changes to the monsters' stats (and, when allowed, to
// the maps' slot frequencies) that bring every cell into its target band.
//
// Raising a monster's hp, strength, agility, offMax, def or level never lowers a character's
// chance of defeat while the values stay at 0 or more and the level below 100, so the value
// at which one cell enters or leaves its band is found by bisection. The search is greedy:
// it takes, one at a time, the change of one value that leaves the fewest cells outside their
// band (then touches the fewest records, then moves the least), until no change helps; then
// every changed value is moved back toward its old one as far as it goes without putting a
// cell outside its band. The result is 1-minimal, not proven globally smallest.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "balance/balance.h"
#include "balance/balance_model.h"
#include "balance/targets.h"
#include "game/change_list.h"

namespace valmor {

// The monster stats the search may change, as the tables name them.
inline constexpr std::array<std::string_view, 6> kTunableStats{"hp",     "strength", "agility",
                                                               "offMax", "def",      "level"};

struct TuneOptions {
    bool stats = true;        // --levers stats
    bool frequencies = false; // --levers frequencies: the five slot frequencies of a map
    // The monsters that may change (sorted); nothing: every monster some map counts.
    std::optional<std::vector<int>> monsters;
    // The stats that may change, indexes into kTunableStats; empty: all six.
    std::vector<std::size_t> fields;
    // No value moves by more than this share (in percent) of max(|old|, 1).
    std::optional<double> maxChangePercent;
};

// One change of the result and the cells it moves: those of its maps that were outside
// their band before the changes and are inside after (fixes), and the other way (breaks).
struct TunedChange {
    RecordChange change;
    std::vector<BalanceCell> fixes;
    std::vector<BalanceCell> breaks;
};

// A cell left outside its band, and why no change brings it in.
struct UnmetCell {
    BalanceCell cell;
    std::string reason;
};

struct TuneResult {
    std::vector<TunedChange> changes; // in change-list order
    std::vector<BalanceCell> missedBefore;
    std::vector<BalanceCell> missedAfter;
    std::vector<UnmetCell> unmet;     // one per cell of missedAfter
    std::size_t outcomesComputed = 0; // the work the search did

    bool allMet() const { return missedAfter.empty(); }
    std::vector<RecordChange> changeList() const;
};

// Progress of a search: a share of the work done, 0 to 1.
using TuneProgress = std::function<void(double done)>;

// Searches on the given records against `bands` (whose profiles are `profiles`, in order).
// Deterministic: the same inputs give the same result. Throws DataError (Interrupted) when
// `stop` is requested, within a few hundred map outcomes; as BalanceModel::setProfiles for a
// profile whose hp is not above 0.
TuneResult tune(const std::vector<MonsterRecord>& monsters,
                const std::vector<EncounterRecord>& maps,
                const std::vector<CharacterProfile>& profiles, const TargetBands& bands,
                const TuneOptions& options, const TuneProgress& progress = {},
                std::stop_token stop = {});

// "map 43 L4".
std::string cellName(BalanceCell cell, const std::vector<CharacterProfile>& profiles);
// "Gob Shaman (12): hp 86 -> 71" or "map 5: monFreq2 16 -> 12".
std::string changeText(const RecordChange& change, const std::vector<MonsterRecord>& monsters);

} // namespace valmor

#include "balance/tuner.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <thread>

#include "balance/balance_text.h"
#include "files/error.h"
#include "game/tables/latin1.h"

namespace valmor {

namespace {

// At most this many values are tried per lever and step once the thresholds of its cells are
// known: evenly spread over them, the nearest and the farthest always among them.
constexpr std::size_t kMostCandidates = 12;
// The cells whose thresholds give those values: at most this many of a lever's cells outside
// their band, spread evenly over them.
constexpr std::size_t kMostThresholds = 64;
// How often the search looks at its stop token: every so many map outcomes.
constexpr std::size_t kStopCheckEvery = 32;

std::size_t layoutIndex(ChangedFile file, std::string_view name) {
    return *numberFieldIndex(file, name);
}

std::int16_t& fieldOf(MonsterRecord& record, std::size_t field) {
    return *kMonsterLayout[field].int16(record);
}

std::int16_t& fieldOf(EncounterRecord& record, std::size_t field) {
    return *kEncounterLayout[field].int16(record);
}

// A value the search may move: a monster's stat or a map's slot frequency, and the values it
// may take.
struct Lever {
    ChangedFile file = ChangedFile::Monsters;
    std::size_t index = 0; // the monster's number, or the map's index (map index + 1)
    std::size_t field = 0; // in the file's layout
    int old = 0;
    int low = 0;
    int high = 0;
    bool monotone = true; // a stat: every cell's chance of defeat rises with it
};

double relativeChange(int from, int to) {
    return std::abs(to - from) / std::max(std::abs(static_cast<double>(from)), 1.0);
}

std::string monsterLabel(const std::vector<MonsterRecord>& monsters, std::size_t n) {
    if (n < monsters.size()) {
        const std::string name = tables::storedText(monsters[n].name);
        if (!name.empty())
            return name + " (" + std::to_string(n) + ')';
    }
    return "monster " + std::to_string(n);
}

class Search {
public:
    Search(const std::vector<MonsterRecord>& monsters, const std::vector<EncounterRecord>& maps,
           const std::vector<CharacterProfile>& profiles, const TargetBands& bands,
           const TuneOptions& options, const TuneProgress& progress, std::stop_token stop)
        : monsters_(monsters), maps_(maps), profiles_(profiles), bands_(bands), options_(options),
          progress_(progress), stop_(std::move(stop)), battles_(monsters.size()),
          mapsOf_(monsters.size()) {
        for (const CharacterProfile& character : profiles) {
            if (!(character.hp > 0))
                throw DataError(ErrorKind::InvalidPropertyValue,
                                "profile " + character.name + ": hp must be above 0");
        }
        counting_.resize(maps_.size());
        draws_.resize(maps_.size());
        for (std::size_t m = 0; m < maps_.size(); ++m)
            recount(m);
        // Every battle a search may look up, worked out before any worker reads them: those
        // of the monsters in some slot of a map with a band.
        for (std::size_t m = 0; m < maps_.size(); ++m) {
            if (bandedProfiles(m).empty())
                continue;
            for (const std::int16_t n : maps_[m].monIndex) {
                if (n >= 0 && static_cast<std::size_t>(n) < monsters_.size())
                    battleOf(n, 0);
            }
        }
        status_.resize(maps_.size() * profiles_.size(), TargetStatus::NoBand);
        for (std::size_t m = 0; m < maps_.size(); ++m) {
            for (const std::size_t p : bandedProfiles(m))
                status_[m * profiles_.size() + p] = evaluate(m, p);
        }
        startStatus_ = status_;
        startCounting_ = counting_;
        makeLevers();
    }

    TuneResult run() {
        initialMisses_ = missCount();
        greedy();
        report(0.9);
        for (bool moved = true; moved;) {
            moved = false;
            for (std::size_t l = 0; l < levers_.size(); ++l) {
                moved = pullBack(l) || moved;
                report(0.9 +
                       0.1 * static_cast<double>(l + 1) / static_cast<double>(levers_.size()));
            }
        }
        report(1.0);
        return result();
    }

private:
    // One value tried in place of the state's: the monster's record with it, and its battles
    // worked out for a profile when first needed; or the map's record with it.
    struct Trial {
        const Lever* lever = nullptr;
        MonsterRecord monster;
        EncounterRecord map;
        mutable std::vector<std::optional<MonsterBattle>> battles;
    };

    std::size_t cellIndex(std::size_t m, std::size_t p) const { return m * profiles_.size() + p; }

    std::vector<std::size_t> bandedProfiles(std::size_t m) const {
        std::vector<std::size_t> banded;
        for (std::size_t p = 0; p < profiles_.size(); ++p) {
            if (bands_.band({m, p}))
                banded.push_back(p);
        }
        return banded;
    }

    // The monsters map m counts, and for each monster the maps where it counts.
    void recount(std::size_t m) {
        draws_[m] = encounterDraw(maps_[m], monsters_.size());
        for (const int n : counting_[m])
            std::erase(mapsOf_[static_cast<std::size_t>(n)], m);
        counting_[m].clear();
        const EncounterDraw draw = encounterDraw(maps_[m], monsters_.size());
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            const int n = maps_[m].monIndex[i];
            if (draw.slot[i] > 0 && std::ranges::find(counting_[m], n) == counting_[m].end())
                counting_[m].push_back(n);
        }
        for (const int n : counting_[m]) {
            std::vector<std::size_t>& places = mapsOf_[static_cast<std::size_t>(n)];
            places.insert(std::ranges::upper_bound(places, m), m);
        }
    }

    const MonsterBattle& battleOf(int n, std::size_t p) {
        std::vector<MonsterBattle>& battles = battles_[static_cast<std::size_t>(n)];
        if (battles.empty()) {
            battles.reserve(profiles_.size());
            for (const CharacterProfile& profile : profiles_)
                battles.push_back(battleAgainst(profile, monsters_[static_cast<std::size_t>(n)]));
        }
        return battles[p];
    }

    // Counts a map outcome worked out, and stops the search when asked to.
    void countOutcome() {
        if (++outcomes_ % kStopCheckEvery == 0 && stop_.stop_requested())
            throw DataError(ErrorKind::Interrupted, "the search for changes was cancelled");
    }

    // The battles against profile p, with the trial's monster as tried.
    BattleLookup battlesFor(std::size_t p, const Trial* trial) {
        const int tried = trial && trial->lever->file == ChangedFile::Monsters
                              ? static_cast<int>(trial->lever->index)
                              : -1;
        return [this, p, trial, tried](int n) -> const MonsterBattle& {
            if (n != tried)
                return battleOf(n, p);
            std::optional<MonsterBattle>& cached = trial->battles[p];
            if (!cached)
                cached = battleAgainst(profiles_[p], trial->monster);
            return *cached;
        };
    }

    MapOutcome outcome(std::size_t m, std::size_t p) {
        countOutcome();
        return mapOutcome(static_cast<int>(m + 1), maps_[m], monsters_, battlesFor(p, nullptr),
                          profiles_[p].hp);
    }

    // targetPercent(outcome(m, p)) with the trial's value, without the rest of the outcome:
    // the search asks for nothing else millions of times.
    std::optional<double> percent(std::size_t m, std::size_t p, const Trial* trial) {
        countOutcome();
        const bool mapTrial =
            trial && trial->lever->file == ChangedFile::Encounters && trial->lever->index == m;
        const EncounterRecord& record = mapTrial ? trial->map : maps_[m];
        const EncounterDraw draw = mapTrial ? encounterDraw(record, monsters_.size()) : draws_[m];
        if (draw.empty)
            return 0.0;
        const BattleLookup battle = battlesFor(p, trial);
        std::vector<MonsterChance> chances;
        bool unbeatable = false;
        for (std::size_t i = 0; i < draw.slot.size(); ++i) {
            if (draw.slot[i] == 0)
                continue;
            const int n = record.monIndex[i];
            const auto listed = std::ranges::find(chances, n, &MonsterChance::monster);
            if (listed == chances.end())
                chances.push_back({n, draw.slot[i]});
            else
                listed->chance += draw.slot[i];
            const MonsterBattle& fought = battle(n);
            if (fought.combatFailed())
                return std::nullopt;
            unbeatable = unbeatable || !fought.beatable();
        }
        if (unbeatable)
            return 100.0;
        return defeatChance(draw, chances, battle, profiles_[p].hp) * 100;
    }

    TargetStatus evaluate(std::size_t m, std::size_t p, const Trial* trial = nullptr) {
        return targetStatus(bands_.band({m, p}), percent(m, p, trial));
    }

    int valueOf(const Lever& lever) {
        return lever.file == ChangedFile::Monsters ? fieldOf(monsters_[lever.index], lever.field)
                                                   : fieldOf(maps_[lever.index], lever.field);
    }

    Trial trialOf(const Lever& lever, int value) {
        Trial trial;
        trial.lever = &lever;
        if (lever.file == ChangedFile::Monsters) {
            trial.monster = monsters_[lever.index];
            fieldOf(trial.monster, lever.field) = static_cast<std::int16_t>(value);
            trial.battles.resize(profiles_.size());
        } else {
            trial.map = maps_[lever.index];
            fieldOf(trial.map, lever.field) = static_cast<std::int16_t>(value);
        }
        return trial;
    }

    // The cells a lever moves: those with a band on the maps where its monster counts, or on
    // its map.
    std::vector<BalanceCell> cellsOf(const Lever& lever) const {
        std::vector<BalanceCell> cells;
        const auto add = [&](std::size_t m) {
            for (std::size_t p = 0; p < profiles_.size(); ++p) {
                if (bands_.band({m, p}))
                    cells.push_back({m, p});
            }
        };
        if (lever.file == ChangedFile::Encounters)
            add(lever.index);
        else
            for (const std::size_t m : mapsOf_[lever.index])
                add(m);
        return cells;
    }

    std::size_t missCount() const {
        return static_cast<std::size_t>(std::ranges::count_if(status_, missesBand));
    }

    void makeLevers() {
        const auto allowed = [&](std::size_t n) {
            return !options_.monsters ||
                   std::ranges::binary_search(*options_.monsters, static_cast<int>(n));
        };
        const auto limits = [&](Lever& lever, int high) {
            lever.low = 0;
            lever.high = high;
            if (options_.maxChangePercent) {
                const double share = *options_.maxChangePercent / 100.0 *
                                     std::max(std::abs(static_cast<double>(lever.old)), 1.0);
                // Compared as doubles: a share past the range of int (--max-change 1e12)
                // must not wrap.
                lever.low =
                    static_cast<int>(std::max<double>(lever.low, std::ceil(lever.old - share)));
                lever.high =
                    static_cast<int>(std::min<double>(lever.high, std::floor(lever.old + share)));
            }
            return lever.low <= lever.high;
        };
        if (options_.stats) {
            std::vector<std::size_t> fields = options_.fields;
            if (fields.empty())
                for (std::size_t f = 0; f < kTunableStats.size(); ++f)
                    fields.push_back(f);
            std::ranges::sort(fields);
            for (std::size_t n = 0; n < monsters_.size(); ++n) {
                if (!allowed(n) || cellsOf(Lever{ChangedFile::Monsters, n}).empty())
                    continue;
                for (const std::size_t f : fields) {
                    Lever lever{ChangedFile::Monsters, n,
                                layoutIndex(ChangedFile::Monsters, kTunableStats[f])};
                    lever.old = valueOf(lever);
                    if (limits(lever, kTunableStats[f] == "level" ? 99 : 32767))
                        levers_.push_back(lever);
                }
            }
        }
        if (options_.frequencies) {
            for (std::size_t m = 0; m < maps_.size(); ++m) {
                if (bandedProfiles(m).empty())
                    continue;
                for (std::size_t i = 0; i < maps_[m].monIndex.size(); ++i) {
                    const int n = maps_[m].monIndex[i];
                    if (n < 0 || static_cast<std::size_t>(n) >= monsters_.size())
                        continue;
                    Lever lever{
                        ChangedFile::Encounters, m,
                        layoutIndex(ChangedFile::Encounters, "monFreq" + std::to_string(i))};
                    lever.old = valueOf(lever);
                    lever.monotone = false;
                    if (limits(lever, 32767))
                        levers_.push_back(lever);
                }
            }
        }
        moves_.assign(levers_.size(), std::nullopt);
        scored_.assign(levers_.size(), false);
    }

    // The value a stat may take that is nearest to `from` in the cell's direction and brings
    // the cell within its band's edge on that side; nothing when none in the lever's range
    // does, or when the cell skips over the band there.
    std::optional<int> threshold(const Lever& lever, BalanceCell cell, int from, bool down) {
        const auto reached = [&](int value) {
            const Trial trial = trialOf(lever, value);
            const TargetStatus status = evaluate(cell.map, cell.profile, &trial);
            return down ? status != TargetStatus::TooDangerous && status != TargetStatus::Failed
                        : status != TargetStatus::TooEasy;
        };
        int near = from;                         // not reached
        int far = down ? lever.low : lever.high; // reached, once checked
        if ((down ? far >= from : far <= from) || !reached(far))
            return std::nullopt;
        while (std::abs(far - near) > 1) {
            const int mid = near + (far - near) / 2;
            (reached(mid) ? far : near) = mid;
        }
        const Trial trial = trialOf(lever, far);
        if (evaluate(cell.map, cell.profile, &trial) != TargetStatus::Inside)
            return std::nullopt;
        return far;
    }

    std::vector<int> candidates(const Lever& lever, const std::vector<BalanceCell>& cells,
                                int from) {
        std::vector<int> values;
        if (lever.monotone) {
            // The thresholds of at most kMostThresholds of the cells outside their band,
            // spread evenly over them (the weakest and the strongest profiles among them).
            std::vector<BalanceCell> missed;
            for (const BalanceCell cell : cells) {
                if (missesBand(status_[cellIndex(cell.map, cell.profile)]))
                    missed.push_back(cell);
            }
            const std::size_t tried = std::min(missed.size(), kMostThresholds);
            for (std::size_t i = 0; i < tried; ++i) {
                const BalanceCell cell =
                    missed[tried == 1 ? 0 : i * (missed.size() - 1) / (tried - 1)];
                const TargetStatus status = status_[cellIndex(cell.map, cell.profile)];
                if (const auto value =
                        threshold(lever, cell, from, status != TargetStatus::TooEasy))
                    values.push_back(*value);
            }
        } else {
            // A frequency moves the chances of the map's other slots too: no order to rely
            // on, so a spread of values around the old one is tried.
            for (const double factor : {0.0, 0.25, 0.5, 0.75, 1.25, 1.5, 2.0, 3.0, 4.0})
                values.push_back(static_cast<int>(std::lround(from * factor)));
            for (int step = 1; step <= 16384; step *= 2) {
                values.push_back(from - step);
                values.push_back(from + step);
            }
            std::erase_if(values, [&](int v) { return v < lever.low || v > lever.high; });
        }
        std::ranges::sort(values);
        values.erase(std::unique(values.begin(), values.end()), values.end());
        std::erase(values, from);
        if (values.size() > kMostCandidates) {
            std::vector<int> spread;
            for (std::size_t i = 0; i < kMostCandidates; ++i)
                spread.push_back(values[i * (values.size() - 1) / (kMostCandidates - 1)]);
            values = std::move(spread);
        }
        return values;
    }

    struct Move {
        int value = 0;
        long missDelta = 0; // cells outside their band after the move, less before
    };

    // The cells outside their band with the trial value, counted up to `enough`.
    std::size_t missesWith(const std::vector<BalanceCell>& cells, const Trial* trial,
                           std::size_t enough = SIZE_MAX) {
        std::size_t misses = 0;
        for (const BalanceCell cell : cells) {
            misses += missesBand(trial ? evaluate(cell.map, cell.profile, trial)
                                       : status_[cellIndex(cell.map, cell.profile)]);
            if (misses >= enough)
                break;
        }
        return misses;
    }

    std::optional<Move> bestMove(const Lever& lever) {
        const std::vector<BalanceCell> cells = cellsOf(lever);
        const std::size_t now = missesWith(cells, nullptr);
        if (now == 0)
            return std::nullopt;
        const int from = valueOf(lever);
        std::optional<Move> best;
        double bestCost = 0;
        for (const int value : candidates(lever, cells, from)) {
            const Trial trial = trialOf(lever, value);
            // Counting stops once the value can no longer beat the best one so far.
            const std::size_t enough =
                now - static_cast<std::size_t>(best ? -best->missDelta : 1) + 1;
            const long delta =
                static_cast<long>(missesWith(cells, &trial, enough)) - static_cast<long>(now);
            const double cost = relativeChange(lever.old, value);
            if (delta < 0 && (!best || delta < best->missDelta ||
                              (delta == best->missDelta && cost < bestCost))) {
                best = Move{value, delta};
                bestCost = cost;
            }
        }
        return best;
    }

    // Whether a value of the lever's record other than `except` differs from its old one.
    // The levers of one record lie next to each other.
    bool recordChanged(std::size_t l, std::optional<std::size_t> except = std::nullopt) {
        const auto sameRecord = [&](std::size_t other) {
            return levers_[other].file == levers_[l].file &&
                   levers_[other].index == levers_[l].index;
        };
        std::size_t first = l;
        while (first > 0 && sameRecord(first - 1))
            --first;
        for (std::size_t other = first; other < levers_.size() && sameRecord(other); ++other) {
            if (other != except && valueOf(levers_[other]) != levers_[other].old)
                return true;
        }
        return false;
    }

    // Sets a lever's value and works out its cells anew; the levers whose cells it moved
    // are scored again.
    void set(std::size_t l, int value) {
        const Lever& lever = levers_[l];
        std::vector<std::size_t> maps;
        if (lever.file == ChangedFile::Monsters) {
            fieldOf(monsters_[lever.index], lever.field) = static_cast<std::int16_t>(value);
            battles_[lever.index].clear();
            battleOf(static_cast<int>(lever.index), 0);
            maps = mapsOf_[lever.index];
        } else {
            fieldOf(maps_[lever.index], lever.field) = static_cast<std::int16_t>(value);
            maps = {lever.index};
        }
        std::vector<int> touched;
        for (const std::size_t m : maps) {
            touched.insert(touched.end(), counting_[m].begin(), counting_[m].end());
            if (lever.file == ChangedFile::Encounters)
                recount(m);
            touched.insert(touched.end(), counting_[m].begin(), counting_[m].end());
            for (std::size_t p = 0; p < profiles_.size(); ++p) {
                if (bands_.band({m, p}))
                    status_[cellIndex(m, p)] = evaluate(m, p);
            }
        }
        for (std::size_t other = 0; other < levers_.size(); ++other) {
            const Lever& o = levers_[other];
            const bool moved =
                o.file == ChangedFile::Monsters
                    ? std::ranges::find(touched, static_cast<int>(o.index)) != touched.end()
                    : std::ranges::find(maps, o.index) != maps.end();
            if (moved)
                scored_[other] = false;
        }
    }

    // Never backwards: a later round of a phase may start its count again.
    void report(double done) {
        reported_ = std::max(reported_, std::clamp(done, 0.0, 1.0));
        if (progress_)
            progress_(reported_);
    }

    void greedy() {
        bool firstRound = true;
        while (missCount() > 0) {
            const double fixed =
                static_cast<double>(initialMisses_ - std::min(initialMisses_, missCount()));
            std::optional<std::size_t> chosen;
            long chosenDelta = 0;
            long chosenRecords = 0;
            double chosenCost = 0;
            // The first round scores every lever; later ones only those a move touched.
            scoreUnscored([&](double round) {
                report(firstRound ? 0.4 * round
                                  : 0.4 + 0.5 * fixed / static_cast<double>(initialMisses_));
            });
            for (std::size_t l = 0; l < levers_.size(); ++l) {
                if (!moves_[l])
                    continue;
                const Lever& lever = levers_[l];
                const Move& move = *moves_[l];
                const long records = (recordChanged(l, l) || move.value != lever.old) -
                                     static_cast<long>(recordChanged(l));
                const double cost = relativeChange(lever.old, move.value) -
                                    relativeChange(lever.old, valueOf(lever));
                if (!chosen || move.missDelta < chosenDelta ||
                    (move.missDelta == chosenDelta &&
                     (records < chosenRecords ||
                      (records == chosenRecords && cost < chosenCost)))) {
                    chosen = l;
                    chosenDelta = move.missDelta;
                    chosenRecords = records;
                    chosenCost = cost;
                }
            }
            firstRound = false;
            if (!chosen)
                return;
            set(*chosen, moves_[*chosen]->value);
        }
    }

    // Works out the best move of every lever not scored since its cells last moved, on as
    // many threads as the machine has cores. Each lever's move depends only on the state,
    // which no one changes meanwhile, so the result is the same on any number of threads.
    void scoreUnscored(const std::function<void(double)>& done) {
        std::vector<std::size_t> pending;
        for (std::size_t l = 0; l < levers_.size(); ++l) {
            if (!scored_[l])
                pending.push_back(l);
        }
        std::atomic<std::size_t> next{0};
        std::atomic<bool> failed{false};
        std::exception_ptr failure;
        std::mutex failureLock;
        const auto work = [&](bool reporting) {
            try {
                for (std::size_t i; !failed && (i = next++) < pending.size();) {
                    moves_[pending[i]] = bestMove(levers_[pending[i]]);
                    if (reporting)
                        done(static_cast<double>(i + 1) / static_cast<double>(pending.size()));
                }
            } catch (...) {
                const std::scoped_lock hold(failureLock);
                if (!failure)
                    failure = std::current_exception();
                failed = true;
            }
        };
        {
            const std::size_t threads =
                pending.size() < 16
                    ? 0
                    : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8) - 1;
            std::vector<std::jthread> helpers;
            for (std::size_t t = 0; t < threads; ++t)
                helpers.emplace_back([&] { work(false); });
            work(true);
        }
        if (failure)
            std::rethrow_exception(failure);
        for (const std::size_t l : pending)
            scored_[l] = true;
    }

    // Moves a changed value back toward its old one as far as it goes without putting a cell
    // of its inside its band outside it; the last step tried is always one value.
    bool pullBack(std::size_t l) {
        const Lever& lever = levers_[l];
        if (valueOf(lever) == lever.old)
            return false;
        const int home = std::clamp(lever.old, lever.low, lever.high);
        bool moved = false;
        for (int value = valueOf(lever); value != home;) {
            const std::vector<BalanceCell> cells = cellsOf(lever);
            std::vector<BalanceCell> inside;
            for (const BalanceCell cell : cells) {
                if (status_[cellIndex(cell.map, cell.profile)] == TargetStatus::Inside)
                    inside.push_back(cell);
            }
            const int direction = home > value ? 1 : -1;
            std::optional<int> accepted;
            for (int step = std::abs(home - value); step >= 1; step /= 2) {
                const Trial trial = trialOf(lever, value + direction * step);
                if (std::ranges::all_of(inside, [&](BalanceCell cell) {
                        return evaluate(cell.map, cell.profile, &trial) == TargetStatus::Inside;
                    })) {
                    accepted = value + direction * step;
                    break;
                }
            }
            if (!accepted)
                break;
            set(l, *accepted);
            value = *accepted;
            moved = true;
        }
        return moved;
    }

    RecordChange changeOf(const Lever& lever) {
        return {
            lever.file,
            static_cast<int>(lever.file == ChangedFile::Monsters ? lever.index : lever.index + 1),
            lever.field, static_cast<std::int16_t>(lever.old),
            static_cast<std::int16_t>(valueOf(lever))};
    }

    std::vector<BalanceCell> missed(const std::vector<TargetStatus>& statuses) const {
        std::vector<BalanceCell> cells;
        for (std::size_t m = 0; m < maps_.size(); ++m) {
            for (std::size_t p = 0; p < profiles_.size(); ++p) {
                if (missesBand(statuses[cellIndex(m, p)]))
                    cells.push_back({m, p});
            }
        }
        return cells;
    }

    TuneResult result() {
        TuneResult result;
        result.missedBefore = missed(startStatus_);
        result.missedAfter = missed(status_);
        for (const Lever& lever : levers_) {
            if (valueOf(lever) == lever.old)
                continue;
            TunedChange tuned{changeOf(lever), {}, {}};
            std::vector<std::size_t> maps;
            if (lever.file == ChangedFile::Encounters) {
                maps = {lever.index};
            } else {
                // Where the monster counts now, and where it counted before the changes.
                maps = mapsOf_[lever.index];
                for (std::size_t m = 0; m < maps_.size(); ++m) {
                    if (std::ranges::find(startCounting_[m], static_cast<int>(lever.index)) !=
                        startCounting_[m].end())
                        maps.push_back(m);
                }
                std::ranges::sort(maps);
                maps.erase(std::unique(maps.begin(), maps.end()), maps.end());
            }
            for (const std::size_t m : maps) {
                for (std::size_t p = 0; p < profiles_.size(); ++p) {
                    const bool before = missesBand(startStatus_[cellIndex(m, p)]);
                    const bool after = missesBand(status_[cellIndex(m, p)]);
                    if (before && !after)
                        tuned.fixes.push_back({m, p});
                    else if (!before && after)
                        tuned.breaks.push_back({m, p});
                }
            }
            result.changes.push_back(std::move(tuned));
        }
        std::ranges::sort(result.changes, [](const TunedChange& a, const TunedChange& b) {
            return changeListOrder(a.change, b.change);
        });
        for (const BalanceCell cell : result.missedAfter)
            result.unmet.push_back({cell, whyUnmet(cell)});
        result.outcomesComputed = outcomes_;
        return result;
    }

    std::string whyUnmet(BalanceCell cell) {
        const std::size_t m = cell.map;
        const std::size_t p = cell.profile;
        const MapOutcome now = outcome(m, p);
        const TargetBand band = *bands_.band(cell);
        if (now.verdict == Verdict::Error)
            return "the battle fails (" + now.problem + ')';
        const bool down = status_[cellIndex(m, p)] == TargetStatus::TooDangerous;
        const std::string at =
            "at " + shortPercent(*targetPercent(now)) + ", target " + bandText(band) + ": ";

        std::vector<std::size_t> mine; // the levers of its monsters (and its map)
        for (std::size_t l = 0; l < levers_.size(); ++l) {
            const Lever& lever = levers_[l];
            if (lever.file == ChangedFile::Encounters
                    ? lever.index == m
                    : std::ranges::find(counting_[m], static_cast<int>(lever.index)) !=
                          counting_[m].end())
                mine.push_back(l);
        }
        std::vector<std::string> locked;
        for (const int n : counting_[m]) {
            if (std::ranges::none_of(mine, [&](std::size_t l) {
                    return levers_[l].file == ChangedFile::Monsters &&
                           levers_[l].index == static_cast<std::size_t>(n);
                }))
                locked.push_back(monsterLabel(monsters_, static_cast<std::size_t>(n)));
        }
        const std::string lockedText = [&] {
            std::string text;
            for (std::size_t i = 0; i < locked.size() && i < 3; ++i)
                text += (i ? ", " : "") + locked[i];
            if (locked.size() > 3)
                text += " and " + std::to_string(locked.size() - 3) + " more";
            return text;
        }();
        if (counting_[m].empty() && mine.empty())
            return at + "no monster counts on map " + std::to_string(m + 1) +
                   (options_.frequencies ? "" : " (--levers frequencies may bring one in)");
        if (mine.empty())
            return at + "no value of map " + std::to_string(m + 1) + " may change (" + lockedText +
                   (locked.size() == 1 ? " is" : " are") + " locked)";

        // Every stat of its monsters at the end of its range that the cell needs, at once:
        // the map's monsters so changed and their battles, the others as they are.
        std::vector<std::pair<int, MonsterBattle>> extreme;
        for (const int n : counting_[m]) {
            MonsterRecord record = monsters_[static_cast<std::size_t>(n)];
            for (const std::size_t l : mine) {
                const Lever& lever = levers_[l];
                if (lever.file == ChangedFile::Monsters &&
                    lever.index == static_cast<std::size_t>(n))
                    fieldOf(record, lever.field) =
                        static_cast<std::int16_t>(down ? lever.low : lever.high);
            }
            extreme.emplace_back(n, battleAgainst(profiles_[p], record));
        }
        countOutcome();
        const MapOutcome atLimit = mapOutcome(
            static_cast<int>(m + 1), maps_[m], monsters_,
            [&](int n) -> const MonsterBattle& {
                const auto found =
                    std::ranges::find(extreme, n, &std::pair<int, MonsterBattle>::first);
                return found != extreme.end() ? found->second : battleOf(n, p);
            },
            profiles_[p].hp);
        const bool frequenciesMayHelp = std::ranges::any_of(
            mine, [&](std::size_t l) { return levers_[l].file == ChangedFile::Encounters; });
        const TargetStatus limitStatus = targetStatus(band, atLimit);
        const bool sameSide =
            down ? limitStatus == TargetStatus::TooDangerous || limitStatus == TargetStatus::Failed
                 : limitStatus == TargetStatus::TooEasy;
        if (!frequenciesMayHelp && sameSide) {
            std::string text = at +
                               "out of reach: with every stat of its monsters that may change "
                               "at its " +
                               (down ? "lowest" : "highest") + ", it is ";
            const auto percent = targetPercent(atLimit);
            text += percent ? shortPercent(*percent) : verdictText(atLimit);
            if (!locked.empty())
                text += "; " + lockedText + " may not change";
            else
                text += std::string("; the limits hold it (values 0 or more, level below 100") +
                        (options_.maxChangePercent ? ", --max-change" : "") + ')';
            return text;
        }
        // Reachable: some change alone would bring it in, but puts another cell out.
        for (const std::size_t l : mine) {
            const Lever& lever = levers_[l];
            if (!lever.monotone)
                continue;
            const int from = valueOf(lever);
            const auto value = threshold(lever, cell, from, down);
            if (!value)
                continue;
            const Trial trial = trialOf(lever, *value);
            for (const BalanceCell other : cellsOf(lever)) {
                if (status_[cellIndex(other.map, other.profile)] == TargetStatus::Inside &&
                    evaluate(other.map, other.profile, &trial) != TargetStatus::Inside)
                    return at + "bands pull " + monsterLabel(monsters_, lever.index) +
                           " apart: its " + std::string(kMonsterLayout[lever.field].name) + " at " +
                           std::to_string(*value) + " would bring it in and put " +
                           cellName(other, profiles_) + " (target " +
                           bandText(*bands_.band(other)) + ") outside";
            }
        }
        if (!frequenciesMayHelp && limitStatus != TargetStatus::Inside)
            return at +
                   "no single value brings it in: its chance of defeat jumps over the band as a "
                   "value moves (a monster that turns from unbeatable to beatable, or the few "
                   "draws of a small map); several values at once, or its slot frequencies, "
                   "may";
        return at + "no change of one value brings it in without putting another cell out; it "
                    "needs several values changed at once, which the search does not try";
    }

    std::vector<MonsterRecord> monsters_;
    std::vector<EncounterRecord> maps_;
    const std::vector<CharacterProfile>& profiles_;
    const TargetBands& bands_;
    const TuneOptions& options_;
    const TuneProgress& progress_;
    std::stop_token stop_;

    std::vector<std::vector<MonsterBattle>> battles_; // per monster, per profile; empty: not yet
    std::vector<std::vector<std::size_t>> mapsOf_;    // per monster, ascending
    std::vector<std::vector<int>> counting_;          // per map
    std::vector<EncounterDraw> draws_;                // per map
    std::vector<std::vector<int>> startCounting_;
    std::vector<TargetStatus> status_; // per map, per profile
    std::vector<TargetStatus> startStatus_;
    std::vector<Lever> levers_;
    std::vector<std::optional<Move>> moves_;
    std::vector<bool> scored_;
    std::size_t initialMisses_ = 0;
    double reported_ = 0;
    std::atomic<std::size_t> outcomes_ = 0;
};

} // namespace

std::vector<RecordChange> TuneResult::changeList() const {
    std::vector<RecordChange> list;
    for (const TunedChange& tuned : changes)
        list.push_back(tuned.change);
    return list;
}

TuneResult tune(const std::vector<MonsterRecord>& monsters,
                const std::vector<EncounterRecord>& maps,
                const std::vector<CharacterProfile>& profiles, const TargetBands& bands,
                const TuneOptions& options, const TuneProgress& progress, std::stop_token stop) {
    return Search(monsters, maps, profiles, bands, options, progress, std::move(stop)).run();
}

std::string cellName(BalanceCell cell, const std::vector<CharacterProfile>& profiles) {
    return "map " + std::to_string(cell.map + 1) + ' ' +
           (cell.profile < profiles.size() ? profiles[cell.profile].name
                                           : "profile " + std::to_string(cell.profile + 1));
}

std::string changeText(const RecordChange& change, const std::vector<MonsterRecord>& monsters) {
    const std::string values = std::string(changedFieldName(change)) + ' ' +
                               std::to_string(change.oldValue) + " -> " +
                               std::to_string(change.newValue);
    if (change.file == ChangedFile::Encounters)
        return "map " + std::to_string(change.record) + ": " + values;
    return monsterLabel(monsters, static_cast<std::size_t>(change.record)) + ": " + values;
}

} // namespace valmor

// Timings of valmor-data tune as a whole process, with its peak memory: on the demo data with
// its targets, and at the formats' limit (32,767 monsters of which 1,340 counted, five
// different ones on each of the 268 maps; 200 profiles; a band on every cell, which few
// cells meet at first). Also, in-process at the limit, the longest time between two
// drawings of the progress bar on a terminal.
//
// Goals: the demo under 2 s; the limit under 60 s and 256 MB, its bar drawn at least once
// a second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "cli/tune_command.h"
#include "demo/tables.h"
#include "demo_folder.h"
#include "game/encounter_record.h"
#include "game/monster_record.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMostMonsters = 32767;
constexpr int kProfiles = 200;

const fs::path& demoFolder() {
    static const fs::path dir = valmor::bench::freshDemoFolder("valmor-tune-bench");
    return dir;
}

// The limit: every stats record one of the demo's; map m counts the five records
// 57 x (5m + i) + (its demo monster), each a copy of the demo monster it stands for.
const fs::path& limitFolder() {
    static const fs::path dir = [] {
        const fs::path folder = valmor::bench::freshDemoFolder("valmor-tune-bench-limit");
        const auto monsters = valmor::demo::demoMonsters();
        std::ofstream stats(folder / valmor::kMonsterFileName, std::ios::binary | std::ios::trunc);
        for (int n = 0; n < kMostMonsters; ++n) {
            const auto bytes = valmor::encodeMonsterRecord(monsters[n % monsters.size()]);
            stats.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        std::vector<valmor::EncounterRecord> maps = valmor::demo::demoEncounters();
        std::ofstream encounters(folder / valmor::kEncounterFileName,
                                 std::ios::binary | std::ios::trunc);
        const int kinds = static_cast<int>(monsters.size());
        for (std::size_t m = 0; m < maps.size(); ++m) {
            for (std::size_t i = 0; i < 5; ++i) {
                const int slot = static_cast<int>(5 * m + i);
                maps[m].monIndex[i] =
                    static_cast<std::int16_t>((kinds * slot + maps[m].monIndex[i]) % kMostMonsters);
            }
            const auto bytes = valmor::encodeEncounterRecord(maps[m]);
            encounters.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        std::ofstream profiles(folder / "profiles.csv");
        profiles << "name,level,strength,agility,item_damage,item_defense,hp\n";
        for (int i = 0; i < kProfiles; ++i) {
            const int level = i % 20 + 1;
            profiles << 'P' << i << ',' << level << ',' << 10 + 4 * level + i % 7 << ','
                     << 8 + 3 * level << ',' << 4 + 6 * level << ',' << 2 + 3 * level << ','
                     << 30 + 15 * level + i % 11 << '\n';
        }
        std::ofstream(folder / "every-cell.csv")
            << "maps,profile,defeat_min,defeat_max\n1-268,*,1,20\n";
        return folder;
    }();
    return dir;
}

std::vector<std::string> tuneArguments(const fs::path& dir, const char* characters,
                                       const char* targets) {
    return {"-C",
            dir.string(),
            "tune",
            "--characters",
            (dir / characters).string(),
            "--targets",
            (dir / targets).string(),
            "-o",
            "/dev/null"};
}

void timeTune(benchmark::State& state, const std::vector<std::string>& tail) {
    std::vector<std::string> arguments{VALMOR_DATA_EXE};
    arguments.insert(arguments.end(), tail.begin(), tail.end());
    for (auto _ : state) {
        const valmor::test::ChildRun run = valmor::test::runChild(arguments);
        if (run.status != 0 && run.status != 1) {
            state.SkipWithError("valmor-data tune failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        state.counters["peak_MB"] = run.peakMegabytes;
    }
}

void BM_TuneDemo(benchmark::State& state) {
    timeTune(state, tuneArguments(demoFolder(), "characters.csv", "targets.csv"));
}
BENCHMARK(BM_TuneDemo)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_TuneLimit(benchmark::State& state) {
    timeTune(state, tuneArguments(limitFolder(), "profiles.csv", "every-cell.csv"));
}
BENCHMARK(BM_TuneLimit)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Standard error as a terminal sees it: the time of each drawing of the bar.
class DrawTimes : public std::streambuf {
public:
    double longestGap() const { return longest_; }

protected:
    int overflow(int c) override {
        if (c == '\r') {
            const auto now = std::chrono::steady_clock::now();
            if (seen_)
                longest_ = std::max(longest_, std::chrono::duration<double>(now - last_).count());
            last_ = now;
            seen_ = true;
        }
        return c;
    }

private:
    std::chrono::steady_clock::time_point last_;
    bool seen_ = false;
    double longest_ = 0;
};

void BM_TuneLimitBar(benchmark::State& state) {
    const fs::path& dir = limitFolder();
    for (auto _ : state) {
        DrawTimes times;
        std::ostream err(&times);
        std::istringstream in;
        std::ostringstream out;
        const valmor::cli::Session session{valmor::GameDirectory::open(dir), in, out, err, true};
        valmor::cli::tuneCommand(session, dir / "profiles.csv", dir / "every-cell.csv", "-", {});
        state.counters["longest_gap_s"] = times.longestGap();
    }
}
BENCHMARK(BM_TuneLimitBar)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

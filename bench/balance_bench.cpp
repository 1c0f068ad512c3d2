// Timings of the balance commands: balance in-process on the demo data (57 monsters) and on
// 32,767 monsters (cost per monster); balance and report as whole processes of valmor-data,
// with their peak memory, on the demo data and at the formats' limit (32,767 monsters and
// as many sprite frames, the demo encounter tables, the 20 demo profiles); the limit's
// report page loaded and drawn by headless Chromium; and the defeat chance's share of
// balance. Run with --benchmark_repetitions=5 --benchmark_report_aggregates_only=true for
// medians. VALMOR_DATA names another valmor-data to measure (an older build, say).
//
// Goals at the limit: report under 3 s and 64 MB, its page under 25 MB and drawn by
// Chromium in under 10 s; balance with 20 profiles under 0.5 s. On the demo data the
// defeat chance adds at most 20 % to balance.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/balance_commands.h"
#include "demo/demo_data.h"
#include "demo/tables.h"
#include "demo_folder.h"
#include "game/monster_record.h"
#include "game/sprite.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMostMonsters = 32767;
constexpr const char* kProfile = "10,50,38,64,32,180"; // L10 of the demo progression

using valmor::bench::freshDemoFolder;

// The demo data, or the demo data at the formats' limit: 32,767 stats records and sprite
// frames, the demo monsters and their sprites over and over (a 295 MB sprite file).
const fs::path& dataDir(int monsters) {
    static const fs::path demo = freshDemoFolder("valmor-balance-bench");
    static const fs::path huge = [] {
        const fs::path dir = freshDemoFolder("valmor-balance-bench-huge");
        const std::vector<valmor::MonsterRecord> demoMonsters = valmor::demo::demoMonsters();
        std::ofstream stats(dir / valmor::kMonsterFileName, std::ios::binary | std::ios::trunc);
        for (int n = 0; n < kMostMonsters; ++n) {
            const auto bytes = valmor::encodeMonsterRecord(demoMonsters[n % demoMonsters.size()]);
            stats.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        std::ifstream in(dir / valmor::kSpriteFileName, std::ios::binary);
        const std::string frames{std::istreambuf_iterator<char>(in), {}};
        const std::size_t count = frames.size() / valmor::kSpriteFrameBytes;
        std::ofstream sprites(dir / valmor::kSpriteFileName, std::ios::binary | std::ios::trunc);
        for (std::size_t n = 0; n < kMostMonsters; ++n)
            sprites.write(frames.data() + (n % count) * valmor::kSpriteFrameBytes,
                          valmor::kSpriteFrameBytes);
        return dir;
    }();
    return monsters == kMostMonsters ? huge : demo;
}

std::string characters(const fs::path& dir) {
    return (dir / valmor::demo::kCharactersFileName).string();
}

// balance in-process: load, model and CSV, for one profile.
void BM_Balance(benchmark::State& state) {
    const auto monsters = static_cast<int>(state.range(0));
    const fs::path& dir = dataDir(monsters);
    const std::vector<valmor::CharacterProfile> profiles{
        valmor::cli::characterFromOption(kProfile)};
    std::istringstream in;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const valmor::cli::Session session{valmor::GameDirectory::open(dir), in, out, err, false};
        valmor::cli::writeBalance(session, profiles, valmor::tables::TableFormat::Csv,
                                  valmor::cli::BalanceRows::Maps, {});
        benchmark::DoNotOptimize(out.str().size());
    }
    state.counters["per_monster"] = benchmark::Counter(
        monsters, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Balance)->Arg(57)->Arg(kMostMonsters)->Unit(benchmark::kMillisecond);

// The program to measure: VALMOR_DATA, or the one built beside this benchmark.
std::string valmorData() {
    const char* chosen = std::getenv("VALMOR_DATA");
    return chosen != nullptr && *chosen != '\0' ? chosen : VALMOR_DATA_EXE;
}

// Runs valmor-data with `arguments` for its wall time and peak memory.
void timeProcess(benchmark::State& state, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), valmorData());
    for (auto _ : state) {
        const valmor::test::ChildRun run = valmor::test::runChild(arguments);
        if (run.status != 0) {
            state.SkipWithError("valmor-data failed");
            break;
        }
        state.SetIterationTime(run.seconds);
        state.counters["peak_MB"] = run.peakMegabytes;
    }
}

// A characters table of `count` profiles, spread over the levels of the demo progression.
std::string manyProfiles(const fs::path& dir, int count) {
    const fs::path file = dir / ("profiles-" + std::to_string(count) + ".csv");
    if (!fs::exists(file)) {
        std::ofstream out(file);
        out << "name,level,strength,agility,item_damage,item_defense,hp\n";
        for (int i = 0; i < count; ++i)
            out << 'P' << i << ',' << i % 20 + 1 << ',' << 10 + i % 30 << ',' << 5 + i % 20 << ','
                << i % 15 << ',' << i % 9 << ',' << 30 + i % 200 << '\n';
    }
    return file.string();
}

// balance of the demo data for many profiles: the time per profile must stay flat as they
// grow (past about 15,000 they once took quadratic time: a map's own monsters evicted each
// other).
void BM_BalanceManyProfiles(benchmark::State& state) {
    const fs::path& dir = dataDir(57);
    const auto count = static_cast<int>(state.range(0));
    timeProcess(state, {"-C", dir.string(), "balance", "--characters", manyProfiles(dir, count)});
    state.counters["per_profile"] = benchmark::Counter(
        count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BalanceManyProfiles)
    ->Arg(2'500)
    ->Arg(20'000)
    ->Arg(40'000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// balance of the demo data or the limit, for one profile or the 20 demo profiles.
void BM_BalanceProcess(benchmark::State& state) {
    const fs::path& dir = dataDir(static_cast<int>(state.range(0)));
    if (state.range(1) == 1)
        timeProcess(state, {"-C", dir.string(), "balance", "--character", kProfile});
    else
        timeProcess(state, {"-C", dir.string(), "balance", "--characters", characters(dir)});
}
BENCHMARK(BM_BalanceProcess)
    ->Args({57, 1})
    ->Args({57, 20})
    ->Args({kMostMonsters, 1})
    ->Args({kMostMonsters, 20})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

fs::path reportPath(int monsters) {
    return dataDir(monsters) / "report.html";
}

// report of the demo data (one profile, or the 20 demo profiles) or of the limit (20
// profiles), with the page's size.
void BM_ReportProcess(benchmark::State& state) {
    const int monsters = static_cast<int>(state.range(0));
    const fs::path& dir = dataDir(monsters);
    const std::string output = reportPath(monsters).string();
    if (state.range(1) == 1)
        timeProcess(state, {"-C", dir.string(), "report", "--character", kProfile, "-o", output});
    else
        timeProcess(state,
                    {"-C", dir.string(), "report", "--characters", characters(dir), "-o", output});
    std::error_code error;
    state.counters["page_MB"] = static_cast<double>(fs::file_size(output, error)) / 1e6;
}
BENCHMARK(BM_ReportProcess)
    ->Args({57, 1})
    ->Args({57, 20})
    ->Args({kMostMonsters, 20})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Headless Chromium opening the limit's report page and taking a screenshot, from start to
// exit. VALMOR_CHROMIUM names the browser, or Debian's.
void BM_ReportInChromium(benchmark::State& state) {
    const fs::path page = reportPath(kMostMonsters);
    if (!fs::exists(page) &&
        valmor::test::runChild({valmorData(), "-C", dataDir(kMostMonsters).string(), "report",
                                "--characters", characters(dataDir(kMostMonsters)), "-o",
                                page.string()})
                .status != 0) {
        state.SkipWithError("valmor-data failed");
        return;
    }
    const char* chosen = std::getenv("VALMOR_CHROMIUM");
    const std::string browser = chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
    const fs::path profile = fs::temp_directory_path() / "valmor-balance-bench-browser";
    for (auto _ : state) {
        fs::remove_all(profile);
        const valmor::test::ChildRun run = valmor::test::runChild(
            {browser, "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile.string(), "--window-size=1280,1600",
             "--screenshot=" + (profile.parent_path() / "valmor-bench-shot.png").string(),
             "file://" + page.string()});
        if (run.status != 0) {
            state.SkipWithError("chromium failed");
            break;
        }
        state.SetIterationTime(run.seconds);
    }
    state.counters["page_MB"] = static_cast<double>(fs::file_size(page)) / 1e6;
}
BENCHMARK(BM_ReportInChromium)->UseManualTime()->Unit(benchmark::kMillisecond);

// The defeat chance's share of balance on the demo data with the 20 demo profiles: each
// iteration times balance in-process, then the defeat chance alone for every map and
// profile; defeat_pct is the second against the first less the second (what balance would
// take without it).
void BM_DefeatChanceShare(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const fs::path& dir = dataDir(57);
    const std::vector<valmor::CharacterProfile> profiles =
        valmor::cli::loadProfiles({}, characters(dir));
    const std::vector<valmor::MonsterRecord> monsters = valmor::demo::demoMonsters();
    const std::vector<valmor::EncounterRecord> maps = valmor::demo::demoEncounters();
    struct Known {
        const std::vector<valmor::MonsterBattle>* battles;
        valmor::MapOutcome outcome;
        double hp;
    };
    std::vector<std::vector<valmor::MonsterBattle>> battles;
    for (const valmor::CharacterProfile& character : profiles) {
        std::vector<valmor::MonsterBattle>& list = battles.emplace_back();
        for (const valmor::MonsterRecord& monster : monsters)
            list.push_back(valmor::battleAgainst(character, monster));
    }
    std::vector<Known> known;
    for (std::size_t p = 0; p < profiles.size(); ++p) {
        for (std::size_t m = 0; m < maps.size(); ++m) {
            valmor::MapOutcome o = valmor::mapOutcome(static_cast<int>(m + 1), maps[m], monsters,
                                                      battles[p], profiles[p].hp);
            if (o.defeatPercent)
                known.push_back({&battles[p], std::move(o), profiles[p].hp});
        }
    }
    std::istringstream in;
    double balanceSeconds = 0;
    double defeatSeconds = 0;
    for (auto _ : state) {
        std::ostringstream out;
        std::ostringstream err;
        const valmor::cli::Session session{valmor::GameDirectory::open(dir), in, out, err, false};
        const auto started = Clock::now();
        valmor::cli::writeBalance(session, profiles, valmor::tables::TableFormat::Csv,
                                  valmor::cli::BalanceRows::Maps, {});
        const auto balanced = Clock::now();
        for (const Known& k : known) {
            benchmark::DoNotOptimize(valmor::defeatChance(
                k.outcome.draw, k.outcome.monsters,
                [&](int n) -> const valmor::MonsterBattle& {
                    return (*k.battles)[static_cast<std::size_t>(n)];
                },
                k.hp));
        }
        const auto done = Clock::now();
        balanceSeconds += std::chrono::duration<double>(balanced - started).count();
        defeatSeconds += std::chrono::duration<double>(done - balanced).count();
        state.SetIterationTime(std::chrono::duration<double>(balanced - started).count());
    }
    state.counters["defeat_pct"] = 100 * defeatSeconds / (balanceSeconds - defeatSeconds);
}
BENCHMARK(BM_DefeatChanceShare)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

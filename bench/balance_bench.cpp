// Timings of the balance commands: balance for one profile in-process on the demo data
// (57 monsters) and on 32,767 monsters (cost per monster), and balance and report as
// whole processes of valmor-data. Run with --benchmark_repetitions=10
// --benchmark_report_aggregates_only=true for medians.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/balance_commands.h"
#include "data/monster_record.h"
#include "data/sprite.h"
#include "demo/demo_data.h"
#include "demo/tables.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMostMonsters = 32767;
constexpr const char* kProfile = "10,50,38,64,32,180"; // L10 of the demo progression

fs::path makeDemoDir(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    valmor::demo::writeDemoData(dir, false, true);
    return dir;
}

// The demo data, or the demo data with 32,767 stats records (the demo monsters over and
// over) and a sparse sprite file of as many frames.
const fs::path& dataDir(int monsters) {
    static const fs::path demo = makeDemoDir("valmor-balance-bench");
    static const fs::path huge = [] {
        const fs::path dir = makeDemoDir("valmor-balance-bench-huge");
        const std::vector<valmor::MonsterRecord> demoMonsters = valmor::demo::demoMonsters();
        std::ofstream stats(dir / valmor::kMonsterFileName, std::ios::binary | std::ios::trunc);
        for (int n = 0; n < kMostMonsters; ++n) {
            const auto bytes = valmor::encodeMonsterRecord(demoMonsters[n % demoMonsters.size()]);
            stats.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        stats.close();
        fs::resize_file(dir / valmor::kSpriteFileName,
                        std::uintmax_t{kMostMonsters} * valmor::kSpriteFrameBytes);
        return dir;
    }();
    return monsters == kMostMonsters ? huge : demo;
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
        valmor::cli::writeBalance(session, profiles, valmor::cli::TableFormat::Csv,
                                  valmor::cli::BalanceRows::Maps, {});
        benchmark::DoNotOptimize(out.str().size());
    }
    state.counters["per_monster"] = benchmark::Counter(
        monsters, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Balance)->Arg(57)->Arg(kMostMonsters)->Unit(benchmark::kMillisecond);

// Runs valmor-data with `arguments`; gives the wall time, or -1 when it failed.
double runProcess(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VALMOR_DATA_EXE);
    const valmor::test::ChildRun run = valmor::test::runChild(arguments);
    return run.status == 0 ? run.seconds : -1;
}

void timeProcess(benchmark::State& state, const std::vector<std::string>& arguments) {
    for (auto _ : state) {
        const double seconds = runProcess(arguments);
        if (seconds < 0) {
            state.SkipWithError("valmor-data failed");
            break;
        }
        state.SetIterationTime(seconds);
    }
}

void BM_BalanceProcess(benchmark::State& state) {
    const fs::path& dir = dataDir(static_cast<int>(state.range(0)));
    timeProcess(state, {"-C", dir.string(), "balance", "--character", kProfile});
}
BENCHMARK(BM_BalanceProcess)
    ->Arg(57)
    ->Arg(kMostMonsters)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// report on the demo data: one profile, and the 20 profiles of characters.csv.
void BM_ReportProcess(benchmark::State& state) {
    const fs::path& dir = dataDir(57);
    const std::string output = (dir / "report.html").string();
    if (state.range(0) == 1)
        timeProcess(state, {"-C", dir.string(), "report", "--character", kProfile, "-o", output});
    else
        timeProcess(state, {"-C", dir.string(), "report", "--characters",
                            (dir / valmor::demo::kCharactersFileName).string(), "-o", output});
}
BENCHMARK(BM_ReportProcess)->Arg(1)->Arg(20)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

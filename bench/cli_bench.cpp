// Whole-process measurements of valmor-data: wall time and peak memory (the child's maximum
// resident set) of the commands that once read a whole file into memory or rewrote it per
// sprite. Each benchmark runs the real program, but one that times a single sprite's
// change in-process; the data sets are built once in the temporary folder. Run with
// --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "demo/demo_data.h"
#include "game/sprite.h"
#include "support/child_process.h"

namespace {

namespace fs = std::filesystem;

valmor::test::ChildRun runTool(const fs::path& dir, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {VALMOR_DATA_EXE, "-C", dir.string()});
    return valmor::test::runChild(arguments);
}

fs::path demoDir(const char* name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    valmor::demo::writeDemoData(dir);
    return dir;
}

void report(benchmark::State& state, const valmor::test::ChildRun& run, int expectedStatus) {
    if (run.status != expectedStatus)
        state.SkipWithError(("exit status " + std::to_string(run.status)).c_str());
    state.SetIterationTime(run.seconds);
    state.counters["peak_MB"] = run.peakMegabytes;
}

// import-sprite on a sparse sprite file of 2 GiB (far more frames than sprite numbers reach,
// so refused) and on the largest file there can be, 32,768 frames: neither is read whole.
void BM_ImportSpriteIntoAHugeSpriteFile(benchmark::State& state) {
    static const fs::path dir = [] {
        const fs::path d = demoDir("valmor-bench-huge-sprites");
        const auto run = runTool(d, {"export-sprites", (d / "png").string()});
        (void)run;
        return d;
    }();
    const bool twoGiB = state.range(0) != 0;
    const std::uintmax_t size =
        twoGiB ? std::uintmax_t{2} << 30 : std::uintmax_t{32768} * valmor::kSpriteFrameBytes;
    fs::resize_file(dir / valmor::kSpriteFileName, size);
    for (auto _ : state)
        report(state, runTool(dir, {"import-sprite", "7", (dir / "png" / "012.png").string()}),
               twoGiB ? 1 : 0);
}
BENCHMARK(BM_ImportSpriteIntoAHugeSpriteFile)->Arg(1)->Arg(0)->UseManualTime()->Iterations(1);

// One import-sprite in-process on the largest sprite file there can be (32,768 frames,
// 295 MB), without the program's start: the cost of one frame's change under the lock,
// flushed to the disk, its rollback journal included. Most of it is waiting for the disk's
// flushes (the journal with its folder, then the frame), so the figure follows the disk.
// Argument: the frame replaced, in the demo's frames (7) or in the sparse rest (30000).
void BM_ImportOneSpriteInProcess(benchmark::State& state) {
    static const fs::path dir = [] {
        const fs::path d = demoDir("valmor-bench-one-sprite");
        runTool(d, {"export-sprites", (d / "png").string()});
        fs::resize_file(d / valmor::kSpriteFileName,
                        std::uintmax_t{32768} * valmor::kSpriteFrameBytes);
        return d;
    }();
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    const valmor::cli::Session session{valmor::GameDirectory::open(dir), in, out, err, false};
    const fs::path png = dir / "png" / "012.png";
    for (auto _ : state) {
        valmor::cli::importSprite(session, static_cast<int>(state.range(0)), png, false);
        out.str({});
    }
}
BENCHMARK(BM_ImportOneSpriteInProcess)->Arg(7)->Arg(30000)->Unit(benchmark::kMillisecond);

// import-stats given a 10 MB CSV of one line of commas: refused at its line's bound.
void BM_ImportStatsOfATenMegabyteLine(benchmark::State& state) {
    static const fs::path dir = [] {
        const fs::path d = demoDir("valmor-bench-long-line");
        std::ofstream(d / "commas.csv") << std::string(10'000'000, ',');
        return d;
    }();
    for (auto _ : state)
        report(state, runTool(dir, {"import-stats", (dir / "commas.csv").string()}), 1);
}
BENCHMARK(BM_ImportStatsOfATenMegabyteLine)->UseManualTime()->Iterations(1);

// import-sprites putting back all 32,767 sprites of a full sprite file in one pass.
void BM_ImportAllSpritesOfAFullFile(benchmark::State& state) {
    static const fs::path dir = [] {
        const fs::path d = demoDir("valmor-bench-full-sprites");
        // 32,767 frames: the 57 demo sprites over and over.
        std::ifstream in(d / valmor::kSpriteFileName, std::ios::binary);
        const std::string demo{std::istreambuf_iterator<char>(in), {}};
        std::ofstream out(d / valmor::kSpriteFileName, std::ios::binary | std::ios::trunc);
        for (int n = 0; n < 32767; ++n)
            out.write(demo.data() + (n % 57) * valmor::kSpriteFrameBytes,
                      valmor::kSpriteFrameBytes);
        out.close();
        runTool(d, {"export-sprites", (d / "png").string()});
        return d;
    }();
    for (auto _ : state)
        report(state, runTool(dir, {"import-sprites", (dir / "png").string()}), 0);
}
BENCHMARK(BM_ImportAllSpritesOfAFullFile)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

// Timings of the editor's windows on Qt's offscreen platform: start-up on the demo data and
// on a sprite file of 32,767 frames, a monster pick of 57 and of 32,767, a preview page, a
// map pick and a Calculate. Run with --benchmark_repetitions=10
// --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include <QApplication>

#include "demo_folder.h"
#include "editor/design_fonts.h"
#include "editor/main_window.h"
#include "game/sprite.h"
#include "started_editor.h"

#include "editor/main_window_test_view.h"

namespace {

namespace fs = std::filesystem;

using valmor::bench::freshDemoFolder;

const fs::path& demoDir() {
    static const fs::path dir = freshDemoFolder("valmor-ui-bench");
    return dir;
}

// The demo data with a sparse sprite file of 32,767 frames.
const fs::path& hugeDir() {
    static const fs::path dir = [] {
        const fs::path dir = freshDemoFolder("valmor-ui-bench-huge");
        fs::resize_file(dir / valmor::kSpriteFileName,
                        std::uintmax_t{32767} * valmor::kSpriteFrameBytes);
        return dir;
    }();
    return dir;
}

using valmor::bench::startedEditor;

void startUp(benchmark::State& state, const fs::path& dir) {
    for (auto _ : state) {
        auto window = startedEditor(dir);
        window->show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(window.get());
    }
}

void BM_StartUpDemo(benchmark::State& state) {
    startUp(state, demoDir());
}
BENCHMARK(BM_StartUpDemo)->Unit(benchmark::kMillisecond);

void BM_StartUp32767Frames(benchmark::State& state) {
    startUp(state, hugeDir());
}
BENCHMARK(BM_StartUp32767Frames)->Unit(benchmark::kMillisecond);

void BM_MonsterPick(benchmark::State& state) {
    auto window = startedEditor(demoDir());
    const valmor::MainWindowTestView view(*window);
    int n = 0;
    for (auto _ : state) {
        view.cboMonsterList->setCurrentIndex(n);
        view.stats().pickMonster();
        n = (n + 1) % 57;
    }
}
BENCHMARK(BM_MonsterPick)->Unit(benchmark::kMicrosecond);

void BM_MonsterPick32767Frames(benchmark::State& state) {
    auto window = startedEditor(hugeDir());
    const valmor::MainWindowTestView view(*window);
    int n = 0;
    for (auto _ : state) {
        view.cboMonsterList->setCurrentIndex(n);
        view.stats().pickMonster();
        n = (n + 4099) % 32767; // all over the list, the records past the file's end too
    }
}
BENCHMARK(BM_MonsterPick32767Frames)->Unit(benchmark::kMicrosecond);

void BM_PreviewPage(benchmark::State& state) {
    auto window = startedEditor(demoDir());
    const valmor::MainWindowTestView view(*window);
    view.previews().showPreviewPage(1);
    for (auto _ : state)
        view.previews().showPreviewPage(1);
}
BENCHMARK(BM_PreviewPage)->Unit(benchmark::kMicrosecond);

void BM_MapPick(benchmark::State& state) {
    auto window = startedEditor(demoDir());
    const valmor::MainWindowTestView view(*window);
    int k = 0;
    for (auto _ : state) {
        view.cboMapIndex->setCurrentIndex(k);
        view.encounter().pickMap();
        k = (k + 1) % valmor::kMapCount;
    }
}
BENCHMARK(BM_MapPick)->Unit(benchmark::kMicrosecond);

void BM_Calculate(benchmark::State& state) {
    auto window = startedEditor(demoDir());
    const valmor::MainWindowTestView view(*window);
    view.cboMonsterList->setCurrentIndex(12);
    view.stats().pickMonster();
    const std::pair<QLineEdit*, const char*> inputs[] = {
        {view.txtChLvl, "12"}, {view.txtChStr, "25"}, {view.txtChAgi, "14"},
        {view.txtChDam, "9"},  {view.txtChDef, "4"},  {view.txtChHP, "60"}};
    for (const auto& [box, text] : inputs)
        box->setText(text);
    for (auto _ : state)
        view.calculator().calculate();
}
BENCHMARK(BM_Calculate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    valmor::installDesignFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

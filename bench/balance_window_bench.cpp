// The balance window's figures on Qt's offscreen platform: one keystroke in the HP box until
// the heat map has repainted, on the demo data with its 20 profiles and with a stats file of
// 32,767 monsters; opening the window until its first paint; a file replaced on disk until
// the window shows it; and the memory the open window adds. The tuning assistant: Propose on
// the demo data until the heat map has painted its proposal, a keystroke in the main window
// until its box has repainted while a search runs, and Cancel until the window is idle. Run with
// --benchmark_repetitions=10 --benchmark_report_aggregates_only=true; the memory figure
// with --benchmark_filter=Memory in a process of its own.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include "balance/targets.h"
#include "demo_folder.h"
#include "editor/balance/balance_heat_map.h"
#include "editor/balance/tuning_panel.h"
#include "editor/design_fonts.h"
#include "editor/main_window.h"
#include "game/game_records.h"
#include "game/sprite.h"
#include "paint_counter.h"
#include "started_editor.h"

#include "editor/main_window_test_view.h"

namespace {

namespace fs = std::filesystem;

using valmor::bench::PaintCounter;

using valmor::bench::freshDemoFolder;

const fs::path& demoDir() {
    static const fs::path dir = freshDemoFolder("valmor-balance-bench");
    return dir;
}

// The demo data with 32,767 monsters (the demo's records over and over, in a sparse sprite
// file of as many frames) and maps that count some of the far ones.
const fs::path& hugeDir() {
    static const fs::path dir = [] {
        const fs::path dir = freshDemoFolder("valmor-balance-bench-huge");
        const std::vector<valmor::MonsterRecord> demo =
            valmor::readAllMonsterRecords(dir / valmor::kMonsterFileName);
        std::ofstream stats(dir / valmor::kMonsterFileName, std::ios::binary | std::ios::trunc);
        for (std::size_t n = 0; n < 32767; ++n) {
            const auto bytes = valmor::encodeMonsterRecord(demo[n % demo.size()]);
            stats.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        }
        stats.close();
        std::vector<valmor::EncounterRecord> maps =
            valmor::readAllEncounterRecords(dir / valmor::kEncounterFileName);
        for (std::size_t m = 0; m < maps.size(); ++m) {
            maps[m].monIndex[4] = static_cast<std::int16_t>(100 + 120 * m);
            maps[m].monFreq[4] = 10;
            valmor::writeEncounterRecord(dir / valmor::kEncounterFileName,
                                         static_cast<std::int16_t>(m + 1), maps[m]);
        }
        fs::resize_file(dir / valmor::kSpriteFileName,
                        std::uintmax_t{32767} * valmor::kSpriteFrameBytes);
        return dir;
    }();
    return dir;
}

std::unique_ptr<valmor::MainWindow> startedWindow(const fs::path& dir) {
    auto window = valmor::bench::startedEditor(dir);
    window->show();
    QApplication::processEvents();
    return window;
}

// Runs the event loop until the heat map has painted `paints` times more.
void waitForPaint(const PaintCounter& counter, int paints) {
    while (counter.paints < paints)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void keystroke(benchmark::State& state, const fs::path& dir) {
    auto window = startedWindow(dir);
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    valmor::BalanceWindow& balance = *view.balanceWindow();
    PaintCounter counter;
    balance.heatMap()->installEventFilter(&counter);
    view.cboMonsterList->setCurrentIndex(13);
    Q_EMIT view.cboMonsterList->activated(13);
    view.txtHP->setFocus();
    view.txtHP->setText(QStringLiteral("90"));
    view.txtHP->end(false);
    QApplication::processEvents();
    bool longer = false;
    const std::size_t outcomesBefore = balance.table().shown().outcomesComputed();
    for (auto _ : state) {
        const int paints = counter.paints;
        // 90 -> 9 -> 90: every keystroke changes the maps where the monster counts.
        QTest::keyClick(view.txtHP, longer ? Qt::Key_0 : Qt::Key_Backspace);
        waitForPaint(counter, paints + 1);
        longer = !longer;
    }
    // The map outcomes each keystroke works out again: the maps where the monster counts, for
    // every profile.
    state.counters["outcomes_per_keystroke"] =
        static_cast<double>(balance.table().shown().outcomesComputed() - outcomesBefore) /
        static_cast<double>(state.iterations());
}

void BM_KeystrokeToRepaintDemo20Profiles(benchmark::State& state) {
    keystroke(state, demoDir());
}
BENCHMARK(BM_KeystrokeToRepaintDemo20Profiles)->Unit(benchmark::kMillisecond);

void BM_KeystrokeToRepaint32767Monsters(benchmark::State& state) {
    keystroke(state, hugeDir());
}
BENCHMARK(BM_KeystrokeToRepaint32767Monsters)->Unit(benchmark::kMillisecond);

void BM_OpenToFirstPaintDemo(benchmark::State& state) {
    auto window = startedWindow(demoDir());
    const valmor::MainWindowTestView view(*window);
    for (auto _ : state) {
        window->openBalanceWindow();
        PaintCounter counter;
        view.balanceWindow()->heatMap()->installEventFilter(&counter);
        waitForPaint(counter, 1);
        state.PauseTiming();
        view.balanceWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenToFirstPaintDemo)->Unit(benchmark::kMillisecond);

void BM_FileReplacedToShown(benchmark::State& state) {
    const fs::path dir = freshDemoFolder("valmor-balance-bench-live");
    auto window = startedWindow(dir);
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    const valmor::BalanceWindow& balance = *view.balanceWindow();
    std::vector<valmor::MonsterRecord> monsters =
        valmor::readAllMonsterRecords(dir / valmor::kMonsterFileName);
    std::int16_t offMax = 20;
    for (auto _ : state) {
        state.PauseTiming();
        monsters[13].offMax = ++offMax;
        const fs::path replacement = dir / "monsters.tat.valmor-new";
        {
            std::ofstream out(replacement, std::ios::binary | std::ios::trunc);
            for (const valmor::MonsterRecord& monster : monsters) {
                const auto bytes = valmor::encodeMonsterRecord(monster);
                out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            }
        }
        // Let the new file's own notice pass first, as an import's would.
        QTest::qWait(60);
        state.ResumeTiming();
        fs::rename(replacement, dir / valmor::kMonsterFileName);
        while (!(balance.table().saved().monsters()[13] == monsters[13]))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}
BENCHMARK(BM_FileReplacedToShown)->Unit(benchmark::kMillisecond)->Iterations(20);

// The demo data with its targets.csv; one of our own where the demo has none.
fs::path targetsFolder(const char* name) {
    const fs::path dir = freshDemoFolder(name);
    if (!fs::exists(dir / valmor::kTargetsFileName)) {
        std::ofstream targets(dir / valmor::kTargetsFileName);
        targets << "maps,profile,defeat_min,defeat_max\n1-268,*,0,25\n";
    }
    return dir;
}

void BM_ProposeToShownDemo(benchmark::State& state) {
    const fs::path dir = targetsFolder("valmor-balance-bench-propose");
    auto window = startedWindow(dir);
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    valmor::BalanceWindow& balance = *view.balanceWindow();
    valmor::TuningPanel& tuning = *balance.tuning();
    PaintCounter counter;
    balance.heatMap()->installEventFilter(&counter);
    // The paints when the proposal came: the next one shows it.
    int paintsAtResult = -1;
    QObject::connect(&tuning, &valmor::TuningPanel::proposalChanged, [&] {
        if (tuning.result() != nullptr)
            paintsAtResult = counter.paints;
    });
    QApplication::processEvents();
    for (auto _ : state) {
        paintsAtResult = -1;
        tuning.propose();
        while (paintsAtResult < 0 || counter.paints <= paintsAtResult) {
            if (!tuning.isRunning() && tuning.result() == nullptr)
                break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        if (tuning.result() == nullptr) {
            state.SkipWithError(tuning.statusText().toStdString().c_str());
            break;
        }
    }
    if (tuning.result() != nullptr)
        state.counters["changes"] = static_cast<double>(tuning.result()->changes.size());
}
BENCHMARK(BM_ProposeToShownDemo)->Unit(benchmark::kMillisecond)->Iterations(5);

// Keeps a search running: starts another whenever one ends.
void keepSearching(valmor::TuningPanel& tuning) {
    if (!tuning.isRunning())
        tuning.propose();
}

void BM_KeystrokeToRepaintWhileProposing(benchmark::State& state) {
    const fs::path dir = targetsFolder("valmor-balance-bench-busy");
    auto window = startedWindow(dir);
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    valmor::TuningPanel& tuning = *view.balanceWindow()->tuning();
    window->activateWindow();
    view.txtChLvl->setFocus();
    PaintCounter counter;
    view.txtChLvl->installEventFilter(&counter);
    QApplication::processEvents();
    bool longer = false;
    for (auto _ : state) {
        state.PauseTiming();
        keepSearching(tuning);
        state.ResumeTiming();
        const int paints = counter.paints;
        QTest::keyClick(view.txtChLvl, longer ? Qt::Key_Backspace : Qt::Key_7);
        waitForPaint(counter, paints + 1);
        longer = !longer;
    }
    tuning.cancel();
    while (tuning.isRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}
BENCHMARK(BM_KeystrokeToRepaintWhileProposing)->Unit(benchmark::kMillisecond);

void BM_CancelToIdle(benchmark::State& state) {
    const fs::path dir = targetsFolder("valmor-balance-bench-cancel");
    auto window = startedWindow(dir);
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    valmor::TuningPanel& tuning = *view.balanceWindow()->tuning();
    for (auto _ : state) {
        state.PauseTiming();
        tuning.propose();
        // Well into the search.
        QTest::qWait(50);
        state.ResumeTiming();
        tuning.cancel();
        while (tuning.isRunning())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
}
BENCHMARK(BM_CancelToIdle)->Unit(benchmark::kMillisecond)->Iterations(20);

// Resident memory in kB, from /proc.
double residentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6));
    }
    return 0;
}

void BM_MemoryOfTheOpenWindowDemo(benchmark::State& state) {
    auto window = startedWindow(demoDir());
    const valmor::MainWindowTestView view(*window);
    double before = 0;
    double after = 0;
    for (auto _ : state) {
        before = residentKilobytes();
        window->openBalanceWindow();
        PaintCounter counter;
        view.balanceWindow()->heatMap()->installEventFilter(&counter);
        waitForPaint(counter, 1);
        after = residentKilobytes();
    }
    state.counters["extra_MB"] = (after - before) / 1024;
}
BENCHMARK(BM_MemoryOfTheOpenWindowDemo)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Paint as soon as asked rather than at the next frame, so the time is the work alone.
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QApplication app(argc, argv);
    valmor::installDesignFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The undo history's figures on Qt's offscreen platform: one undo or redo, pressed as a key
// in the main window, until the balance window's heat map has repainted, on the demo data
// with its 20 profiles; and the heap that 1,000 typed changes keep in the history. Run with
// --benchmark_repetitions=10 --benchmark_report_aggregates_only=true.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <filesystem>
#include <memory>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QUndoStack>

#include "demo_folder.h"
#include "editor/balance/balance_heat_map.h"
#include "editor/design_fonts.h"
#include "editor/main_window.h"
#include "paint_counter.h"
#include "started_editor.h"

#include "editor/main_window_test_view.h"

namespace {

namespace fs = std::filesystem;

using valmor::bench::PaintCounter;

const fs::path& demoDir() {
    static const fs::path dir = valmor::bench::freshDemoFolder("valmor-undo-bench");
    return dir;
}

std::unique_ptr<valmor::MainWindow> shownEditor() {
    auto window = valmor::bench::startedEditor(demoDir());
    window->show();
    QApplication::setActiveWindow(window.get());
    QApplication::processEvents();
    return window;
}

// Runs the event loop until the heat map has painted `paints` times, false after a second
// without.
bool waitForPaint(const PaintCounter& counter, int paints) {
    QElapsedTimer clock;
    clock.start();
    while (counter.paints < paints) {
        if (clock.elapsed() > 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}

void BM_UndoOrRedoToRepaintDemo20Profiles(benchmark::State& state) {
    auto window = shownEditor();
    const valmor::MainWindowTestView view(*window);
    window->openBalanceWindow();
    valmor::BalanceWindow& balance = *view.balanceWindow();
    PaintCounter counter;
    balance.heatMap()->installEventFilter(&counter);
    view.cboMonsterList->setCurrentIndex(13);
    Q_EMIT view.cboMonsterList->activated(13);
    // One step that changes the maps where the monster counts.
    view.txtHP->setFocus();
    view.txtHP->setText(QStringLiteral("1"));
    QApplication::processEvents();
    // The keys are the main window's: it is the active one, as when the user types there.
    QApplication::setActiveWindow(window.get());
    if (!QTest::qWaitForWindowActive(window.get()) ||
        QApplication::activeWindow() != window.get()) {
        state.SkipWithError("the main window did not become active");
        return;
    }
    bool undone = false;
    for (auto _ : state) {
        const int paints = counter.paints;
        QTest::keyClick(view.txtHP, undone ? Qt::Key_Y : Qt::Key_Z, Qt::ControlModifier);
        if (!waitForPaint(counter, paints + 1)) {
            state.SkipWithError("the heat map did not repaint");
            break;
        }
        undone = !undone;
    }
}
BENCHMARK(BM_UndoOrRedoToRepaintDemo20Profiles)->Unit(benchmark::kMillisecond);

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

void BM_HistoryOf1000TypedChanges(benchmark::State& state) {
    auto window = shownEditor();
    const valmor::MainWindowTestView view(*window);
    view.cboMonsterList->setCurrentIndex(13);
    Q_EMIT view.cboMonsterList->activated(13);
    double kilobytes = 0;
    for (auto _ : state) {
        // Two boxes in turn: each change is a step of its own, none merges.
        for (int i = 0; i < 1000; ++i)
            (i % 2 == 0 ? view.txtGold : view.txtExp)->setText(QString::number(10000 + i));
        state.PauseTiming();
        const std::size_t kept = heapInUse();
        const int steps = view.history().count();
        view.history().clear();
        kilobytes = static_cast<double>(kept - heapInUse()) / 1024;
        state.counters["steps"] = steps;
        state.ResumeTiming();
    }
    state.counters["history_kB"] = kilobytes;
}
BENCHMARK(BM_HistoryOf1000TypedChanges)->Unit(benchmark::kMillisecond)->Iterations(5);

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

// The main window's controls by their design names, and the feature state that tests and
// benchmarks look at, without making either public in the window.
#pragma once

#include <array>
#include <cstdint>

#include <QLineEdit>

#include "editor/balance/balance_window.h"
#include "editor/battle_calculator.h"
#include "editor/encounter_editor.h"
#include "editor/main_window.h"
#include "editor/preview/preview_pages.h"
#include "editor/stats_editor.h"
#include "ui_main_window.h"

namespace valmor {

class MainWindowTestView : public Ui::MainWindow {
public:
    explicit MainWindowTestView(valmor::MainWindow& window)
        : Ui::MainWindow(*window.ui_), txtMonIndex{txtMonIndex_0, txtMonIndex_1, txtMonIndex_2,
                                                   txtMonIndex_3, txtMonIndex_4},
          txtMonFreq{txtMonFreq_0, txtMonFreq_1, txtMonFreq_2, txtMonFreq_3, txtMonFreq_4},
          txtNOMnum{txtNOMnum_0, txtNOMnum_1, txtNOMnum_2}, window_(window) {}

    // The three control arrays of the design, member i at index i.
    const std::array<QLineEdit*, 5> txtMonIndex;
    const std::array<QLineEdit*, 5> txtMonFreq;
    const std::array<QLineEdit*, 3> txtNOMnum;

    std::int16_t lastMonsterIndex() const { return window_.game_.lastMonsterIndex; }
    PreviewWindow* previewWindow(int page) const { return window_.previews_->previewWindow(page); }
    StatsEditor& stats() const { return *window_.stats_; }
    EncounterEditor& encounter() const { return *window_.encounter_; }
    BattleCalculator& calculator() const { return *window_.calculator_; }
    PreviewPages& previews() const { return *window_.previews_; }
    // Typed changes, picks and Saves of both editors.
    QUndoStack& history() const { return window_.history_; }
    // The balance window, once F9 made it and until it is closed.
    BalanceWindow* balanceWindow() const { return window_.balance_; }

private:
    valmor::MainWindow& window_;
};

} // namespace valmor

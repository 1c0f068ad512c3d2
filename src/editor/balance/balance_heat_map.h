// The balance window's heat map: the maps across, the profiles down, each cell coloured by
// its damage share, its chance of defeat or how it stands against its target band, with the
// cells that unsaved edits change outlined and the maps where the picked monster counts
// marked along the axis. While a proposal of the tuning assistant is shown, the cells show
// its numbers instead and the cells it moves are outlined. It reads
// the numbers from the table it is given and repaints only the cells it is told changed.
// A cell cursor moves with the arrow keys; its description is the widget's accessible
// description and a cell's tooltip. A click, or Enter on the cursor, chooses a map.
#pragma once

#include <optional>
#include <vector>

#include <QWidget>

#include "balance/balance_what_if.h"
#include "balance/targets.h"
#include "editor/balance/heat_colours.h"

namespace valmor {

class BalanceHeatMap : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLabelWidth = 84; // the profiles' names, left of the cells
    static constexpr int kCellWidth = 4;
    static constexpr int kRowHeight = 16; // a cell and a gap of one pixel
    static constexpr int kTop = 4;
    static constexpr int kAxisHeight = 30; // the marks, the ticks and the map numbers

    explicit BalanceHeatMap(const BalanceWhatIf& table, QWidget* parent = nullptr);

    void setMeasure(BalanceMeasure measure);
    BalanceMeasure measure() const { return measure_; }
    // The bands the target colouring compares with; null: no cell has a band.
    void setTargets(const TargetBands* bands);
    // Shows `proposed` (the table's shown records with a proposal's changes) in place of the
    // table's numbers, with `moved` (per profile, per map) outlined; null: the table again.
    // A model of another shape than the table's is not shown.
    void setProposal(const BalanceModel* proposed, std::vector<char> moved);
    bool showsProposal() const;
    bool isMoved(BalanceCell cell) const;
    // The maps (indexes) marked along the axis.
    void setMarkedMaps(std::vector<std::size_t> maps);
    const std::vector<std::size_t>& markedMaps() const { return marked_; }
    // Greys the picture: the files it came from cannot be read now.
    void setStale(bool stale);
    bool isStale() const { return stale_; }

    // The table changed in `cells`; repaints just those and describes the cursor anew.
    void showChanges(const std::vector<BalanceCell>& cells);
    // Maps or profiles came or went: everything is laid out and painted anew.
    void reshape();

    std::optional<BalanceCell> cursorCell() const { return cursor_; }
    void setCursorCell(BalanceCell cell);
    QRect cellRect(BalanceCell cell) const;
    std::optional<BalanceCell> cellAt(QPoint point) const;
    // The colour a cell is painted in.
    QColor colourOf(BalanceCell cell) const;
    // How a cell stands against its band in what the map shows.
    TargetStatus targetStatusOf(BalanceCell cell) const;
    // What a cell's tooltip and the cursor's description say.
    QString describe(BalanceCell cell) const;

    QSize sizeHint() const override;

signals:
    // A click on a cell, or Enter on the cursor: map from 1.
    void mapChosen(int map);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    int maps() const { return static_cast<int>(table_.mapCount()); }
    int profiles() const { return static_cast<int>(table_.profileCount()); }
    int cellsBottom() const { return kTop + kRowHeight * profiles(); }
    // The area a cell's paint reaches: the cell, its outline and the cursor's frame.
    QRect paintedArea(BalanceCell cell) const;
    void paintAxis(QPainter& painter, const QRect& dirty);
    void describeCursor();
    // The numbers the cells show: the proposal's or the table's.
    const BalanceModel& model() const;
    std::optional<TargetBand> bandOf(BalanceCell cell) const;
    void moveCursor(int mapStep, int profileStep);

    const BalanceWhatIf& table_;
    BalanceMeasure measure_ = BalanceMeasure::DamageShare;
    std::vector<std::size_t> marked_;
    bool stale_ = false;
    std::optional<BalanceCell> cursor_;
    const TargetBands* bands_ = nullptr;
    const BalanceModel* proposed_ = nullptr;
    std::vector<char> moved_;
};

} // namespace valmor

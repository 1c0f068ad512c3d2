#include "editor/balance/balance_heat_map.h"

#include <algorithm>

#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include "editor/balance/balance_window_text.h"

namespace valmor {

namespace {

// Past this many changed cells one repaint of everything is cheaper than one per cell.
constexpr std::size_t kMostSingleRepaints = 2000;
// A label every this many maps, a tick every kTickStep.
constexpr int kLabelStep = 25;
constexpr int kTickStep = 5;

const QColor kOutline(0, 0, 0);
const QColor kCursor(20, 90, 220);
const QColor kMark(20, 70, 160);
const QColor kFrame(153, 153, 153);

// A plain text as a tooltip shows it: a tooltip takes text that looks like markup for
// markup, so the text is escaped and its line ends kept.
QString plainTooltip(const QString& text) {
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(text.toHtmlEscaped());
}

} // namespace

BalanceHeatMap::BalanceHeatMap(const BalanceWhatIf& table, QWidget* parent)
    : QWidget(parent), table_(table) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(QStringLiteral("Heat map of the maps by profiles"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize BalanceHeatMap::sizeHint() const {
    return {kLabelWidth + kCellWidth * maps() + 16, cellsBottom() + kAxisHeight};
}

QRect BalanceHeatMap::cellRect(BalanceCell cell) const {
    return {kLabelWidth + kCellWidth * static_cast<int>(cell.map),
            kTop + kRowHeight * static_cast<int>(cell.profile), kCellWidth, kRowHeight - 1};
}

QRect BalanceHeatMap::paintedArea(BalanceCell cell) const {
    return cellRect(cell).adjusted(-3, -3, 3, 3);
}

std::optional<BalanceCell> BalanceHeatMap::cellAt(QPoint point) const {
    const int column = point.x() - kLabelWidth;
    const int row = point.y() - kTop;
    if (column < 0 || row < 0)
        return std::nullopt;
    const int map = column / kCellWidth;
    const int profile = row / kRowHeight;
    if (map >= maps() || profile >= profiles())
        return std::nullopt;
    return BalanceCell{static_cast<std::size_t>(map), static_cast<std::size_t>(profile)};
}

const BalanceModel& BalanceHeatMap::model() const {
    return showsProposal() ? *proposed_ : table_.shown();
}

bool BalanceHeatMap::showsProposal() const {
    return proposed_ != nullptr && proposed_->maps().size() == table_.mapCount() &&
           proposed_->profiles().size() == table_.profileCount() &&
           moved_.size() == table_.mapCount() * table_.profileCount();
}

bool BalanceHeatMap::isMoved(BalanceCell cell) const {
    return showsProposal() && moved_[cell.profile * table_.mapCount() + cell.map] != 0;
}

std::optional<TargetBand> BalanceHeatMap::bandOf(BalanceCell cell) const {
    if (bands_ == nullptr)
        return std::nullopt;
    return bands_->band(cell);
}

QColor BalanceHeatMap::colourOf(BalanceCell cell) const {
    const MapOutcome& outcome = model().outcome(cell);
    if (measure_ == BalanceMeasure::Target)
        return targetCellColour(bandOf(cell), outcome);
    return cellColour(outcome, measure_);
}

TargetStatus BalanceHeatMap::targetStatusOf(BalanceCell cell) const {
    return targetStatus(bandOf(cell), model().outcome(cell));
}

QString BalanceHeatMap::describe(BalanceCell cell) const {
    QString text = cellDescription(table_, cell);
    // The band where there are bands, or where the colouring is by them.
    if (measure_ == BalanceMeasure::Target || (bands_ != nullptr && !bands_->empty())) {
        const MapOutcome* proposed = showsProposal() ? &proposed_->outcome(cell) : nullptr;
        text += '\n' + targetLine(bandOf(cell), table_.shown().outcome(cell), proposed);
    }
    return text;
}

void BalanceHeatMap::setTargets(const TargetBands* bands) {
    bands_ = bands;
    update();
    describeCursor();
}

void BalanceHeatMap::setProposal(const BalanceModel* proposed, std::vector<char> moved) {
    proposed_ = proposed;
    moved_ = std::move(moved);
    update();
    describeCursor();
}

void BalanceHeatMap::setMeasure(BalanceMeasure measure) {
    if (measure == measure_)
        return;
    measure_ = measure;
    update();
    describeCursor();
}

void BalanceHeatMap::setMarkedMaps(std::vector<std::size_t> maps) {
    if (maps == marked_)
        return;
    marked_ = std::move(maps);
    update(0, cellsBottom(), width(), kAxisHeight);
}

void BalanceHeatMap::setStale(bool stale) {
    if (stale == stale_)
        return;
    stale_ = stale;
    update();
}

void BalanceHeatMap::showChanges(const std::vector<BalanceCell>& cells) {
    if (cells.size() > kMostSingleRepaints) {
        update();
    } else {
        for (const BalanceCell& cell : cells)
            update(paintedArea(cell));
    }
    // Not only when the cursor's cell is among them: a monster renamed changes no number,
    // yet the description names it.
    describeCursor();
}

void BalanceHeatMap::reshape() {
    if (cursor_) {
        if (maps() == 0 || profiles() == 0)
            cursor_.reset();
        else
            cursor_ = BalanceCell{std::min<std::size_t>(cursor_->map, maps() - 1),
                                  std::min<std::size_t>(cursor_->profile, profiles() - 1)};
    }
    updateGeometry();
    resize(sizeHint());
    update();
    describeCursor();
}

void BalanceHeatMap::setCursorCell(BalanceCell cell) {
    if (static_cast<int>(cell.map) >= maps() || static_cast<int>(cell.profile) >= profiles())
        return;
    if (cursor_)
        update(paintedArea(*cursor_));
    cursor_ = cell;
    update(paintedArea(cell));
    describeCursor();
}

void BalanceHeatMap::describeCursor() {
    const QString description = cursor_ ? describe(*cursor_) : QString();
    // Each new description is announced: only a changed one is set.
    if (description != accessibleDescription())
        setAccessibleDescription(description);
}

void BalanceHeatMap::moveCursor(int mapStep, int profileStep) {
    if (maps() == 0 || profiles() == 0)
        return;
    const BalanceCell at = cursor_.value_or(BalanceCell{});
    const int map = std::clamp(static_cast<int>(at.map) + mapStep, 0, maps() - 1);
    const int profile = std::clamp(static_cast<int>(at.profile) + profileStep, 0, profiles() - 1);
    setCursorCell({static_cast<std::size_t>(map), static_cast<std::size_t>(profile)});
}

void BalanceHeatMap::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, palette().window());
    if (maps() == 0 || profiles() == 0)
        return;

    // The rows and columns the dirty area reaches, with the outlines' reach around them.
    const int firstRow = std::max(0, (dirty.top() - kTop - 3) / kRowHeight);
    const int lastRow = std::min(profiles() - 1, (dirty.bottom() - kTop + 3) / kRowHeight);
    const int firstMap = std::max(0, (dirty.left() - kLabelWidth - 3) / kCellWidth);
    const int lastMap = std::min(maps() - 1, (dirty.right() - kLabelWidth + 3) / kCellWidth);

    painter.setPen(kFrame);
    painter.drawRect(kLabelWidth - 2, kTop - 2, kCellWidth * maps() + 3,
                     kRowHeight * profiles() + 2);
    painter.setPen(palette().windowText().color());
    for (int p = firstRow; p <= lastRow && dirty.left() < kLabelWidth; ++p) {
        const QRect label(0, kTop + kRowHeight * p, kLabelWidth - 6, kRowHeight - 1);
        const QString name = shownText(model().profiles()[static_cast<std::size_t>(p)].name);
        painter.drawText(label, Qt::AlignRight | Qt::AlignVCenter,
                         fontMetrics().elidedText(name, Qt::ElideRight, label.width()));
    }
    for (int p = firstRow; p <= lastRow; ++p) {
        for (int m = firstMap; m <= lastMap; ++m) {
            const BalanceCell cell{static_cast<std::size_t>(m), static_cast<std::size_t>(p)};
            painter.fillRect(cellRect(cell), colourOf(cell));
            if (measure_ == BalanceMeasure::Target && targetStatusOf(cell) == TargetStatus::NoBand)
                painter.fillRect(cellRect(cell), QBrush(kNoBandHatch, Qt::BDiagPattern));
        }
    }
    if (stale_) {
        const QRect cells(kLabelWidth, kTop, kCellWidth * maps(), kRowHeight * profiles());
        painter.fillRect(cells & dirty, QColor(255, 255, 255, 170));
    }
    // The cells the unsaved edits change (or the proposal moves), framed just outside: one
    // frame around each run of such cells in a row, so that the frames leave the colours whole.
    painter.setPen(kOutline);
    const bool proposal = showsProposal();
    for (int p = firstRow; p <= lastRow; ++p) {
        const auto differs = [&](int m) {
            const BalanceCell cell{static_cast<std::size_t>(m), static_cast<std::size_t>(p)};
            return proposal ? isMoved(cell) : table_.differs(cell);
        };
        for (int m = 0; m < maps(); ++m) {
            if (!differs(m))
                continue;
            const int first = m;
            while (m + 1 < maps() && differs(m + 1))
                ++m;
            const QRect run =
                cellRect({static_cast<std::size_t>(first), static_cast<std::size_t>(p)})
                    .united(cellRect({static_cast<std::size_t>(m), static_cast<std::size_t>(p)}));
            if (run.adjusted(-1, -1, 1, 1).intersects(dirty))
                painter.drawRect(run.adjusted(-1, -1, 0, 0));
        }
    }
    if (cursor_ && hasFocus()) {
        painter.setPen(QPen(kCursor, 2));
        painter.drawRect(QRectF(cellRect(*cursor_)).adjusted(-2, -2, 2, 2));
    }
    if (dirty.bottom() >= cellsBottom())
        paintAxis(painter, dirty);
}

void BalanceHeatMap::paintAxis(QPainter& painter, const QRect& dirty) {
    const int top = cellsBottom();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kMark);
    for (const std::size_t map : marked_) {
        const double middle = kLabelWidth + kCellWidth * (static_cast<double>(map) + 0.5);
        const QPointF triangle[] = {
            {middle, top + 1.0}, {middle - 3, top + 7.0}, {middle + 3, top + 7.0}};
        painter.drawPolygon(triangle, 3);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(palette().windowText().color());
    for (int map = 1; map <= maps(); ++map) {
        if (map != 1 && map % kTickStep != 0)
            continue;
        const int x = kLabelWidth + kCellWidth * (map - 1) + kCellWidth / 2;
        const bool labelled = map == 1 || map % kLabelStep == 0;
        painter.drawLine(x, top + 8, x, top + (labelled ? 12 : 10));
        if (labelled) {
            const QRect label(x - 20, top + 13, 40, kAxisHeight - 13);
            if (label.intersects(dirty))
                painter.drawText(label, Qt::AlignHCenter | Qt::AlignTop, QString::number(map));
        }
    }
}

bool BalanceHeatMap::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const std::optional<BalanceCell> cell = cellAt(help->pos())) {
            QToolTip::showText(help->globalPos(), plainTooltip(describe(*cell)), this,
                               cellRect(*cell));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void BalanceHeatMap::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        moveCursor(-1, 0);
        break;
    case Qt::Key_Right:
        moveCursor(1, 0);
        break;
    case Qt::Key_Up:
        moveCursor(0, -1);
        break;
    case Qt::Key_Down:
        moveCursor(0, 1);
        break;
    case Qt::Key_PageUp:
        moveCursor(-kLabelStep, 0);
        break;
    case Qt::Key_PageDown:
        moveCursor(kLabelStep, 0);
        break;
    case Qt::Key_Home:
        moveCursor(-maps(), 0);
        break;
    case Qt::Key_End:
        moveCursor(maps(), 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (cursor_)
            emit mapChosen(static_cast<int>(cursor_->map) + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BalanceHeatMap::mousePressEvent(QMouseEvent* event) {
    const std::optional<BalanceCell> cell = cellAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !cell) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    setCursorCell(*cell);
    emit mapChosen(static_cast<int>(cell->map) + 1);
}

void BalanceHeatMap::focusInEvent(QFocusEvent* event) {
    if (!cursor_ && maps() > 0 && profiles() > 0)
        setCursorCell({});
    else if (cursor_)
        update(paintedArea(*cursor_));
    QWidget::focusInEvent(event);
}

void BalanceHeatMap::focusOutEvent(QFocusEvent* event) {
    if (cursor_)
        update(paintedArea(*cursor_));
    QWidget::focusOutEvent(event);
}

} // namespace valmor

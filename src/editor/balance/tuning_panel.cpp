#include "editor/balance/tuning_panel.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "balance/balance_what_if.h"
#include "editor/balance/balance_window_text.h"
#include "editor/balance/editor_activity.h"
#include "editor/error_report.h"

namespace valmor {

namespace {

// How many cells a change's line names before it only counts the rest.
constexpr std::size_t kNamedCells = 6;
// The progress bar's steps.
constexpr int kProgressSteps = 1000;

QString cellList(const std::vector<BalanceCell>& cells,
                 const std::vector<CharacterProfile>& profiles) {
    QStringList names;
    for (std::size_t i = 0; i < cells.size() && i < kNamedCells; ++i)
        names.append(shownText(cellName(cells[i], profiles)));
    QString text = names.join(QStringLiteral(", "));
    if (cells.size() > kNamedCells)
        text += QStringLiteral(" and %1 more").arg(cells.size() - kNamedCells);
    return text;
}

QString changeCount(std::size_t count) {
    return count == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(count);
}

// Forwards to the window's report, so that guarded() reaches it.
class ForwardedReport : public ErrorReport {
public:
    explicit ForwardedReport(const TuningPanel::Report& report) : report_(report) {}
    void show(const DataError& error) override { report_(error); }

private:
    const TuningPanel::Report& report_;
};

} // namespace

QString tunedChangeText(const TunedChange& change, const std::vector<MonsterRecord>& monsters,
                        const std::vector<CharacterProfile>& profiles) {
    QString text = shownText(changeText(change.change, monsters));
    if (!change.fixes.empty())
        text += QStringLiteral("; fixes ") + cellList(change.fixes, profiles);
    if (!change.breaks.empty())
        text += QStringLiteral("; breaks ") + cellList(change.breaks, profiles);
    return text;
}

TuningPanel::TuningPanel(EditorActivity& activity, GameDirectory folder, InputsSource inputs,
                         Report report, QWidget* parent)
    : QWidget(parent), activity_(activity), folder_(std::move(folder)), inputs_(std::move(inputs)),
      report_(std::move(report)), worker_(new ProposalWorker(this)) {
    propose_ = new QPushButton(QStringLiteral("&Propose changes"), this);
    propose_->setObjectName(QStringLiteral("propose"));
    propose_->setToolTip(QStringLiteral(
        "Searches for the smallest changes of the monsters' stats that bring every cell into "
        "its band of targets.csv, as valmor-data tune does, on the files with the unsaved "
        "boxes of the main window in place"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelSearch"));
    progress_ = new QProgressBar(this);
    progress_->setRange(0, kProgressSteps);
    progress_->setAccessibleName(QStringLiteral("Search progress"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("tuningStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("proposedChanges"));
    list_->setAccessibleName(QStringLiteral("Proposed changes"));
    // Room for six changes before it scrolls; hidden while there is no proposal, so the
    // heat map keeps its room.
    list_->setMaximumHeight(6 * list_->fontMetrics().height() + 12);
    list_->hide();
    apply_ = new QPushButton(QStringLiteral("&Apply"), this);
    apply_->setObjectName(QStringLiteral("apply"));
    apply_->setToolTip(QStringLiteral("Writes the ticked changes into the game files, as "
                                      "valmor-data apply does"));
    undo_ = new QPushButton(QStringLiteral("&Undo apply"), this);
    undo_->setObjectName(QStringLiteral("undoApply"));
    undo_->setToolTip(
        QStringLiteral("Writes back the values the last Apply replaced, while the files still "
                       "hold what it wrote"));
    copy_ = new QPushButton(QStringLiteral("Copy c&hanges"), this);
    copy_->setObjectName(QStringLiteral("copyChanges"));
    copy_->setToolTip(QStringLiteral("Copies the ticked changes as a change list (CSV), as "
                                     "valmor-data tune writes it"));

    auto* run = new QHBoxLayout;
    run->addWidget(propose_);
    run->addWidget(cancel_);
    run->addWidget(progress_, 1);
    // Takes the room of the hidden progress bar, so the buttons keep their size.
    run->addStretch();
    auto* actions = new QHBoxLayout;
    actions->addWidget(apply_);
    actions->addWidget(undo_);
    actions->addWidget(copy_);
    actions->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(run);
    layout->addWidget(status_);
    layout->addWidget(list_);
    layout->addLayout(actions);

    connect(propose_, &QPushButton::clicked, this, &TuningPanel::propose);
    connect(cancel_, &QPushButton::clicked, this, &TuningPanel::cancel);
    connect(apply_, &QPushButton::clicked, this, &TuningPanel::apply);
    connect(undo_, &QPushButton::clicked, this, &TuningPanel::undoApply);
    connect(copy_, &QPushButton::clicked, this, &TuningPanel::copyChanges);
    connect(list_, &QListWidget::itemChanged, this, [this] {
        if (!filling_)
            guardedHere([this] { updateWhatIf(); });
    });
    connect(worker_, &ProposalWorker::progressed, this, [this](double done) {
        progress_->setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * kProgressSteps));
    });
    connect(worker_, &ProposalWorker::finished, this,
            [this](std::shared_ptr<const ProposalInputs> inputs,
                   std::shared_ptr<const TuneResult> result) {
                setRunning(false);
                guardedHere([&] { showResult(std::move(inputs), std::move(result)); });
            });
    connect(worker_, &ProposalWorker::failed, this, [this](const DataError& error) {
        setRunning(false);
        setStatus(QStringLiteral("The search failed: %1").arg(shownText(error.what())));
        guardedHere([&] { throw error; });
    });
    connect(worker_, &ProposalWorker::cancelled, this, [this] {
        setRunning(false);
        setStatus(QStringLiteral("Cancelled."));
    });
    setRunning(false);
    setStatus(QStringLiteral("Propose changes searches for the smallest changes of the "
                             "monsters' stats that bring the cells into their target bands."));
}

template <typename Handler> void TuningPanel::guardedHere(Handler&& handler) noexcept {
    try {
        ForwardedReport report(report_);
        guarded(report, std::forward<Handler>(handler));
    } catch (...) {
        // Nothing sane is left to do when even the report cannot be made.
    }
}

void TuningPanel::setStatus(const QString& text) {
    statusBase_ = text;
    status_->setText(
        stale_ ? text + QStringLiteral("\nStale: the files, the boxes or the bands changed since "
                                       "this proposal. It is shown as it was, and Apply refuses "
                                       "it: Propose again for a fresh one.")
               : text);
}

QString TuningPanel::statusText() const {
    return status_->text();
}

void TuningPanel::setRunning(bool running) {
    propose_->setEnabled(!running);
    cancel_->setEnabled(running);
    progress_->setVisible(running);
    if (running)
        progress_->setValue(0);
    showButtons();
}

void TuningPanel::showButtons() {
    const bool idle = !worker_->isRunning();
    const bool ticked = !tickedChanges().empty();
    apply_->setEnabled(idle && ticked);
    copy_->setEnabled(ticked);
    undo_->setEnabled(idle && !applied_.empty());
}

void TuningPanel::propose() noexcept {
    guardedHere([this] {
        std::shared_ptr<const ProposalInputs> inputs = inputs_();
        clearProposal();
        worker_->start(std::move(inputs));
        setRunning(true);
        setStatus(QStringLiteral("Searching..."));
    });
}

void TuningPanel::cancel() noexcept {
    guardedHere([this] {
        if (!worker_->isRunning())
            return;
        worker_->cancel();
        cancel_->setEnabled(false);
        setStatus(QStringLiteral("Cancelling..."));
    });
}

void TuningPanel::clearProposal() {
    proposalInputs_.reset();
    result_.reset();
    proposed_.reset();
    moved_.clear();
    stale_ = false;
    filling_ = true;
    list_->clear();
    list_->hide();
    filling_ = false;
    showButtons();
    emit proposalChanged();
}

void TuningPanel::showResult(std::shared_ptr<const ProposalInputs> inputs,
                             std::shared_ptr<const TuneResult> result) {
    proposalInputs_ = std::move(inputs);
    result_ = std::move(result);
    filling_ = true;
    list_->clear();
    for (const TunedChange& change : result_->changes) {
        // Plain text items: names from the files are never taken for markup.
        auto* item = new QListWidgetItem(tunedChangeText(change, proposalInputs_->model.monsters(),
                                                         proposalInputs_->model.profiles()),
                                         list_);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
    list_->setVisible(!result_->changes.empty());
    filling_ = false;
    QString text =
        result_->changes.empty()
            ? QStringLiteral("No change helps: %1 cells stay outside their band.")
                  .arg(result_->missedAfter.size())
            : QStringLiteral("Proposed %1: %2 cells outside their band before, %3 after.")
                  .arg(changeCount(result_->changes.size()))
                  .arg(result_->missedBefore.size())
                  .arg(result_->missedAfter.size());
    if (!result_->unmet.empty())
        text += QStringLiteral(" %1 (and %2 more): %3")
                    .arg(shownText(
                        cellName(result_->unmet.front().cell, proposalInputs_->model.profiles())))
                    .arg(result_->unmet.size() - 1)
                    .arg(shownText(result_->unmet.front().reason));
    setStatus(text);
    // Last: the window, told of the proposal, checks it against what it shows now.
    updateWhatIf();
}

std::vector<RecordChange> TuningPanel::tickedChanges() const {
    std::vector<RecordChange> changes;
    if (!result_)
        return changes;
    for (int row = 0; row < list_->count() && row < static_cast<int>(result_->changes.size());
         ++row) {
        if (list_->item(row)->checkState() == Qt::Checked)
            changes.push_back(result_->changes[static_cast<std::size_t>(row)].change);
    }
    return changes;
}

void TuningPanel::updateWhatIf() {
    if (!proposalInputs_) {
        proposed_.reset();
        moved_.clear();
    } else {
        const BalanceModel& base = proposalInputs_->model;
        std::vector<MonsterRecord> monsters = base.monsters();
        std::vector<EncounterRecord> maps = base.maps();
        applyChanges(tickedChanges(), monsters, maps);
        // A copy of the model the search started from: only the maps the changes touch
        // are worked out again.
        proposed_ = base;
        proposed_->setMonsters(monsters);
        proposed_->setMaps(maps);
        const std::size_t mapCount = base.maps().size();
        moved_.assign(mapCount * base.profiles().size(), 0);
        for (std::size_t p = 0; p < base.profiles().size(); ++p) {
            for (std::size_t m = 0; m < mapCount; ++m)
                moved_[p * mapCount + m] =
                    defeatText(base.outcome({m, p})) != defeatText(proposed_->outcome({m, p}));
        }
    }
    showButtons();
    emit proposalChanged();
}

void TuningPanel::noteShown(const BalanceModel& shown, const TargetBands& bands) {
    const bool stale = proposalInputs_ && !proposalInputs_->sameAs(shown, bands);
    if (stale == stale_)
        return;
    stale_ = stale;
    setStatus(statusBase_);
}

std::vector<ChangedFile> TuningPanel::write(const std::vector<RecordChange>& changes) {
    return writeGuarded(changes, changes);
}

std::vector<ChangedFile> TuningPanel::writeGuarded(const std::vector<RecordChange>& changes,
                                                   const std::vector<RecordChange>& guarded) {
    // The proposal took the main window's unsaved boxes for the records: a change of such
    // a record would land under them, so it waits until they are saved or undone.
    const QString unsaved = activity_.unsavedAmong(changes);
    if (!unsaved.isEmpty())
        throw DataError(ErrorKind::InvalidPropertyValue,
                        unsaved.toStdString() +
                            " has unsaved edits in the main window; save or undo them first. "
                            "Nothing was written");
    const std::vector<ChangedFile> held = writeChanges(folder_, guarded);
    activity_.noteWritten(changes);
    return held;
}

void TuningPanel::apply() noexcept {
    guardedHere([this] {
        const std::vector<RecordChange> changes = tickedChanges();
        if (changes.empty() || worker_->isRunning())
            return;
        // Every other value of the records it changes must still be what the search saw, or
        // the new values were worked out for another monster or map.
        if (!proposalInputs_)
            return;
        // A stale proposal was worked out for other records (another monster of its maps,
        // a name): it is not written, however its own values stand.
        if (stale_) {
            const RecordChange& first = changes.front();
            throw DataError(ErrorKind::RecordChanged,
                            std::string(first.file == ChangedFile::Monsters ? "monster " : "map ") +
                                std::to_string(first.record) +
                                " and the other records of the proposal: the files, the boxes "
                                "or the bands changed since it was made; Propose again. Nothing "
                                "was written");
        }
        const BalanceModel& seen = proposalInputs_->model;
        const std::vector<ChangedFile> held =
            writeGuarded(changes, withRecordGuards(changes, seen.monsters(), seen.maps()));
        // A file another program had given these values already was not written: Undo
        // apply must not take that program's values back.
        applied_.clear();
        for (const RecordChange& change : changes) {
            if (std::ranges::find(held, change.file) == held.end())
                applied_.push_back(change);
        }
        clearProposal();
        setStatus(applied_.empty()
                      ? QStringLiteral("Nothing was written: the files hold these values already.")
                      : QStringLiteral("Applied %1. Undo apply writes the old values back.")
                            .arg(changeCount(applied_.size())));
    });
}

void TuningPanel::undoApply() noexcept {
    guardedHere([this] {
        if (applied_.empty() || worker_->isRunning())
            return;
        write(reversedChanges(applied_));
        const std::size_t count = applied_.size();
        applied_.clear();
        showButtons();
        setStatus(QStringLiteral("Undone: %1 written back.").arg(changeCount(count)));
    });
}

void TuningPanel::copyChanges() noexcept {
    guardedHere([this] {
        QApplication::clipboard()->setText(QString::fromStdString(changeListCsv(tickedChanges())));
    });
}

} // namespace valmor

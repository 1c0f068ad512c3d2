// The balance window's tuning assistant: "Propose changes" runs the search of valmor-data
// tune on a worker thread, on copies of what the window shows (the saved files with the
// main window's unsaved boxes in place, and the profiles shown), with a progress bar and
// Cancel. Its proposal is a what-if: the changes in a list, each with a tick box, and the
// model with the ticked ones applied, which the heat map shows with the cells they move
// outlined. A proposal whose inputs changed since (a file, a box, a band) stays shown,
// marked stale; Apply checks every old value in the files in any case.
//
// "Apply" writes the ticked changes as valmor-data apply does and tells the main window,
// whose editors show the new values of the records they hold; it refuses a change of a
// record that has unsaved edits in the main window. "Undo apply" writes the old values back
// the same way while the fields still hold what Apply wrote. "Copy changes" puts the
// ticked changes on the clipboard as a change list.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "editor/balance/proposal_worker.h"
#include "files/game_file.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace valmor {

class EditorActivity;

class TuningPanel : public QWidget {
    Q_OBJECT

public:
    // Gives the inputs of a new search (throws DataError when there is nothing to tune).
    using InputsSource = std::function<std::shared_ptr<const ProposalInputs>()>;
    using Report = std::function<void(const DataError&)>;

    TuningPanel(EditorActivity& activity, GameDirectory folder, InputsSource inputs, Report report,
                QWidget* parent = nullptr);

    void propose() noexcept;
    void cancel() noexcept;
    void apply() noexcept;
    void undoApply() noexcept;
    void copyChanges() noexcept;

    // What the window shows changed: marks the proposal stale when it no longer matches.
    void noteShown(const BalanceModel& shown, const TargetBands& bands);

    bool isRunning() const { return worker_->isRunning(); }
    bool isStale() const { return stale_; }
    // The proposal's model with the ticked changes, and the cells it moves (per profile,
    // per map); null and empty while there is none.
    const BalanceModel* proposed() const { return proposed_ ? &*proposed_ : nullptr; }
    const std::vector<char>& moved() const { return moved_; }
    const TuneResult* result() const { return result_.get(); }
    std::vector<RecordChange> tickedChanges() const;
    // The changes the last Apply wrote, until Undo apply writes them back.
    const std::vector<RecordChange>& applied() const { return applied_; }
    QString statusText() const;
    QListWidget* changeList() const { return list_; }
    ProposalWorker& worker() const { return *worker_; }

signals:
    // The proposal, or its ticks, changed: the heat map shows proposed() anew.
    void proposalChanged();

private:
    void showResult(std::shared_ptr<const ProposalInputs> inputs,
                    std::shared_ptr<const TuneResult> result);
    void clearProposal();
    void updateWhatIf();
    void setRunning(bool running);
    void showButtons();
    void setStatus(const QString& text);
    // Writes `changes` as Apply writes them; throws what writeChanges throws.
    // Gives the files left as they were, holding the new values already.
    std::vector<ChangedFile> write(const std::vector<RecordChange>& changes);
    // The same, checking the old values of `guarded`: `changes` and more.
    std::vector<ChangedFile> writeGuarded(const std::vector<RecordChange>& changes,
                                          const std::vector<RecordChange>& guarded);
    template <typename Handler> void guardedHere(Handler&& handler) noexcept;

    EditorActivity& activity_;
    GameDirectory folder_;
    InputsSource inputs_;
    Report report_;
    ProposalWorker* worker_;

    std::shared_ptr<const ProposalInputs> proposalInputs_;
    std::shared_ptr<const TuneResult> result_;
    std::optional<BalanceModel> proposed_;
    std::vector<char> moved_;
    std::vector<RecordChange> applied_;
    bool stale_ = false;
    QString statusBase_; // the status without the note that the proposal is stale
    bool filling_ = false;

    QPushButton* propose_;
    QPushButton* cancel_;
    QProgressBar* progress_;
    QLabel* status_;
    QListWidget* list_;
    QPushButton* apply_;
    QPushButton* undo_;
    QPushButton* copy_;
};

// "Gob Shaman (12): hp 86 -> 71; fixes map 43 L4, map 47 L4; breaks map 9 L1": at most
// kNamedCells cells of each, then "and N more".
QString tunedChangeText(const TunedChange& change, const std::vector<MonsterRecord>& monsters,
                        const std::vector<CharacterProfile>& profiles);

} // namespace valmor

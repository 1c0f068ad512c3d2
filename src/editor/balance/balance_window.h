// "VALMOR Balance": what the balance lab says for every map and profile, live beside the
// editor. It reads the game files and the folder's characters.csv (never writing or making
// a file), follows them as they change on disk, and follows what the user types in the
// main window: the picked monster's boxes, the selected map's boxes and the calculator's
// character boxes stand in for the stored records and give a row "On screen", and the
// cells those unsaved edits change are outlined. A recompute never shows a dialog: a file
// that cannot be read, or a box that does not convert, is named in the header, and the
// last good picture stays, greyed, until the file reads again. A characters.csv that
// cannot be read leaves only its own rows out (or at their last good values): the maps
// and the row "On screen" are worked out all the same.
//
// The folder's targets.csv gives each cell a band of the chance of defeat, read and followed
// as characters.csv is; the colouring "Target" shows how each cell stands against its band,
// and the header counts the cells outside theirs. Below the map, the tuning assistant
// (TuningPanel) proposes changes that bring the cells into their bands, and applies them.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>

#include "balance/balance_what_if.h"
#include "balance/targets.h"
#include "files/error.h"
#include "files/game_file.h"

class QLabel;
class QRadioButton;
class QScrollArea;

namespace valmor {

class BalanceHeatMap;
class BalanceLegend;
class EditorActivity;
class GameFolderWatch;
class TuningPanel;
struct ProposalInputs;

class BalanceWindow : public QWidget {
    Q_OBJECT

public:
    // Follows `activity` and the files of `folder`, the one the editor works in. A window of
    // its own, owned by `parent` when given. Its colouring is kept in the settings, and its
    // place and size when it is hidden.
    BalanceWindow(EditorActivity& activity, GameDirectory folder, QWidget* parent = nullptr);
    ~BalanceWindow() override;

    // Where the errors of the tuning assistant's buttons go; by default a message box.
    void setErrorReport(std::function<void(const DataError&)> report);

    const BalanceWhatIf& table() const { return table_; }
    const TargetBands& targets() const { return targets_; }
    TuningPanel* tuning() const { return tuning_; }
    // The cells outside their band in what the heat map shows.
    std::size_t cellsOutsideBands() const;
    BalanceHeatMap* heatMap() const { return heatMap_; }
    // The header: folder, profiles and the last recompute, then any problem.
    QString headerText() const;
    QString changesText() const;
    QString monsterText() const;
    // The whole table as tab-separated text, unsaved edits included.
    QString tableText() const;
    // Puts tableText on the clipboard; a failure is told in the header.
    void copyTable() noexcept;

    // Runs a pending recompute now rather than on the next turn of the event loop.
    void refreshNow();
    // The recomputes run so far.
    int refreshes() const { return refreshes_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void scheduleRefresh();
    void refresh() noexcept;
    void readFiles(std::vector<BalanceCell>& changed);
    void readGameFiles(std::vector<BalanceCell>& changed);
    std::optional<std::vector<CharacterProfile>> readProfiles();
    void readTargets();
    // Parses the targets again when their text or the profiles changed.
    void applyTargets();
    QString targetsLine() const;
    std::shared_ptr<const ProposalInputs> proposalInputs();
    void showProposal();
    // Whether the heat map shows rows of characters.csv that it no longer reads as such.
    bool keepsOldProfiles() const;
    void followEditor(std::vector<BalanceCell>& changed);
    void applyProfiles(std::vector<BalanceCell>& changed);
    void showState();

    EditorActivity& activity_;
    GameDirectory folder_;
    QString shownFolder_;
    BalanceWhatIf table_;

    // The game files read once at least: there is a picture to keep when they fail.
    bool gameFilesRead_ = false;
    std::vector<CharacterProfile> fileProfiles_;
    bool profilesFileSeen_ = false;
    std::optional<CharacterProfile> screenProfile_;
    QString fileProblem_;
    QString profilesProblem_;
    QString monsterProblem_;
    QString mapProblem_;
    QString characterProblem_;

    // targets.csv as last read (nothing: no such file), and the bands parsed from it for
    // the profiles they were parsed for.
    std::optional<std::string> targetsText_;
    QString targetsReadProblem_;
    QString targetsProblem_;
    TargetBands targets_;
    bool targetsDirty_ = true;
    std::vector<std::string> targetProfiles_;
    std::function<void(const DataError&)> report_;

    bool filesDirty_ = true;
    bool editorDirty_ = true;
    QTimer pending_;
    int refreshes_ = 0;
    double lastMilliseconds_ = 0;
    QTime lastAt_;

    GameFolderWatch* watch_;
    QLabel* header_;
    QLabel* problems_;
    QRadioButton* damage_;
    QRadioButton* defeat_;
    QRadioButton* target_;
    BalanceLegend* legend_;
    QLabel* emptyNote_;
    QScrollArea* scroll_;
    BalanceHeatMap* heatMap_;
    QLabel* monsterLine_;
    QLabel* changes_;
    TuningPanel* tuning_;
};

} // namespace valmor

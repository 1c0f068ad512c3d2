#include "editor/stats_editor.h"

#include <optional>

#include "editor/picture_box.h"
#include "game/sprite.h"

namespace valmor {

StatsEditor::StatsEditor(const StatsControls& controls, const std::filesystem::path& dataDir,
                         const GameFolderStart& game)
    : ui_(controls), dataDir_(dataDir), game_(game),
      inLayoutOrder_(shownFields<MonsterRecord>(kMonsterLayout, *controls.form)),
      inFillOrder_(inFillOrder(inLayoutOrder_)) {}

namespace {

// One error that tells of two: `first`'s number and text, then `second`'s.
DataError followedBy(const DataError& first, const DataError& second) {
    return DataError(first.kind(), first.subject() + "; then error " +
                                       std::to_string(second.number()) + ", " + second.what());
}

} // namespace

void StatsEditor::pickMonster() {
    const auto n = static_cast<std::int16_t>(ui_.cboMonsterList->currentIndex());
    // The record first: should it fail, the window still shows the previous monster whole,
    // its picture and its boxes.
    monsterStats_ = readMonsterRecord(dataDir_ / kMonsterFileName, n, picked_);
    // A sprite the file no longer holds whole (cut, or removed, since start-up) leaves the
    // picture blank and is reported once the boxes show the record, which can still be
    // edited and saved. Only start-up creates a missing sprite file.
    std::optional<DataError> spriteError;
    ui_.pic1->clear();
    try {
        const ByteFile spriteFile = ByteFile::openExisting(dataDir_ / kSpriteFileName);
        drawSprite(spriteFile, n, 0, 0, game_.colourTable, *ui_.pic1);
    } catch (const DataError& error) {
        spriteError = error;
    }
    ui_.pic1->update();
    // An item position the list does not have is reported once every control is filled,
    // so the boxes never mix two monsters and the record can still be repaired.
    std::optional<DataError> missingItem;
    for (const ShownField<MonsterRecord>& shown : inFillOrder_) {
        if (!showField(shown, monsterStats_) && !missingItem)
            missingItem = DataError(ErrorKind::InvalidPropertyValue,
                                    std::string(shown.field->name) + " = " +
                                        FormatInt(*shown.field->int16(monsterStats_)));
    }
    // In the order the window shows them: the picture, then the boxes.
    if (spriteError && missingItem)
        throw followedBy(*spriteError, *missingItem);
    if (spriteError)
        throw *spriteError;
    if (missingItem)
        throw *missingItem;
}

void StatsEditor::saveMonster() {
    // Every control is converted before the file is opened, so a conversion error
    // leaves the file untouched.
    monsterStats_ = recordOnScreen();
    writeMonsterRecord(dataDir_ / kMonsterFileName,
                       static_cast<std::int16_t>(ui_.cboMonsterList->currentIndex()), monsterStats_,
                       picked_);
}

int StatsEditor::pickedMonster() const {
    return ui_.cboMonsterList->currentIndex();
}

MonsterRecord StatsEditor::recordOnScreen(const QWidget** failed) const {
    MonsterRecord r = takeRecord(inLayoutOrder_, failed);
    r.hp2 = r.hp;
    return r;
}

std::vector<const QWidget*> StatsEditor::watchedControls() const {
    std::vector<const QWidget*> controls = controlsOf(inLayoutOrder_);
    controls.push_back(ui_.cboMonsterList);
    return controls;
}

} // namespace valmor

#include "editor/stats_editor.h"

#include <optional>

#include "editor/picture_box.h"
#include "game/sprite.h"
#include "images/sprite_image.h"

namespace valmor {

namespace {

// Typing into monster field i merges into the step of id kFirstTypingId + i.
constexpr int kFirstTypingId = 1;

} // namespace

StatsEditor::StatsEditor(const StatsControls& controls, const GameDirectory& folder,
                         const GameFolderStart& game, QUndoStack& history)
    : ui_(controls), folder_(folder), game_(game),
      inLayoutOrder_(shownFields<MonsterRecord>(kMonsterLayout, kMonsterControls, *controls.form)),
      inFillOrder_(inFillOrder(inLayoutOrder_)),
      document_(history, kFirstTypingId, controls.cboMonsterList, controlsOf(inLayoutOrder_),
                [this](int n) { drawPicture(n); }) {}

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
    // its picture, its boxes and its place in the list.
    RecordSnapshot snapshot;
    try {
        monsterStats_ = readMonsterRecord(folder_.file(kMonsterFileName), n, snapshot);
    } catch (...) {
        document_.restoreList();
        throw;
    }
    // A sprite the file no longer holds whole (cut, or removed, since start-up) leaves the
    // picture blank and is reported once the boxes show the record, which can still be
    // edited and saved. Only start-up creates a missing sprite file.
    std::optional<DataError> spriteError;
    std::optional<DataError> missingItem;
    document_.whileShowing([&] { fill(n, spriteError, missingItem); });
    document_.recordPick(std::move(snapshot));
    // In the order the window shows them: the picture, then the boxes.
    if (spriteError && missingItem)
        throw followedBy(*spriteError, *missingItem);
    if (spriteError)
        throw *spriteError;
    if (missingItem)
        throw *missingItem;
}

void StatsEditor::showWritten() {
    const auto n = static_cast<std::int16_t>(pickedMonster());
    RecordSnapshot snapshot;
    monsterStats_ = readMonsterRecord(folder_.file(kMonsterFileName), n, snapshot);
    std::optional<DataError> spriteError;
    std::optional<DataError> missingItem;
    document_.whileShowing([&] { fill(n, spriteError, missingItem); });
    document_.recordWritten(std::move(snapshot));
    if (spriteError)
        throw *spriteError;
    if (missingItem)
        throw *missingItem;
}

void StatsEditor::fill(std::int16_t n, std::optional<DataError>& spriteError,
                       std::optional<DataError>& missingItem) {
    try {
        drawPicture(n);
    } catch (const DataError& error) {
        spriteError = error;
    }
    // An item position the list does not have is reported once every control is filled,
    // so the boxes never mix two monsters and the record can still be repaired.
    for (const ShownField<MonsterRecord>& shown : inFillOrder_) {
        if (!showField(shown, monsterStats_) && !missingItem)
            missingItem = DataError(ErrorKind::InvalidPropertyValue,
                                    std::string(shown.field->name) + " = " +
                                        FormatInt(*shown.field->int16(monsterStats_)));
    }
}

void StatsEditor::drawPicture(int n) {
    ui_.pic1->clear();
    try {
        if (n >= 0) {
            const ByteFile spriteFile = ByteFile::openExisting(folder_.file(kSpriteFileName));
            const SpriteFrame frame = readSpriteFrame(spriteFile, static_cast<std::int16_t>(n));
            ui_.pic1->drawImage(spriteImage(frame, paletteColours(game_.colourTable)), 0, 0);
        }
    } catch (...) {
        ui_.pic1->update();
        throw;
    }
    ui_.pic1->update();
}

void StatsEditor::saveMonster() {
    // Every control is converted before the file is opened, so a conversion error
    // leaves the file untouched.
    monsterStats_ = savedRecord(inLayoutOrder_, document_);
    monsterStats_.hp2 = monsterStats_.hp;
    writeMonsterRecord(folder_.file(kMonsterFileName),
                       static_cast<std::int16_t>(ui_.cboMonsterList->currentIndex()), monsterStats_,
                       document_.snapshot());
    document_.recordSave();
}

int StatsEditor::pickedMonster() const {
    return ui_.cboMonsterList->currentIndex();
}

MonsterRecord StatsEditor::recordOnScreen(const QWidget** failed) const {
    MonsterRecord r = recordOf(inLayoutOrder_, document_, failed);
    r.hp2 = r.hp;
    return r;
}

} // namespace valmor

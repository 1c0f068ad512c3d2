// The three preview pages: each button shows its page's window, drawn afresh from the
// sprite file. The windows live until the user closes them or the main window goes.
#pragma once

#include <array>
#include <filesystem>

#include <QPointer>

#include "editor/preview/preview_window.h"
#include "game/game_folder.h"

namespace valmor {

class PreviewPages {
public:
    // The windows are made as windows of `owner`, which deletes those still open.
    PreviewPages(const GameDirectory& folder, const GameFolderStart& game, QWidget* owner)
        : folder_(folder), game_(game), owner_(owner) {}

    // Shows page 1 to 3 of the sprites in its window, made at its first showing.
    void showPreviewPage(int page);
    void closeAll();

    // The window of page 1 to 3, or null while it does not exist.
    PreviewWindow* previewWindow(int page) const { return windows_.at(page - 1); }

private:
    const GameDirectory& folder_;
    const GameFolderStart& game_;
    QWidget* owner_;
    std::array<QPointer<PreviewWindow>, 3> windows_;
};

} // namespace valmor

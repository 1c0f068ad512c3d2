// The three preview pages: each button shows its page's window, drawn afresh from the
// sprite file. The windows live until the user closes them or the main window goes.
#pragma once

#include <array>
#include <filesystem>

#include <QPointer>

#include "game/game_folder.h"
#include "editor/preview/preview_window.h"

namespace valmor {

class PreviewPages {
public:
    PreviewPages(const std::filesystem::path& dataDir, const GameFolderStart& game)
        : dataDir_(dataDir), game_(game) {}
    ~PreviewPages();

    void cmdPreview1_Click() { showPreviewPage(1); }
    void cmdPreview2_Click() { showPreviewPage(2); }
    void cmdPreview3_Click() { showPreviewPage(3); }
    void closeAll();

    // The window of page 1 to 3, or null while it does not exist.
    frmPictureList* previewWindow(int page) const { return windows_.at(page - 1); }

private:
    void showPreviewPage(int page);

    const std::filesystem::path& dataDir_;
    const GameFolderStart& game_;
    std::array<QPointer<frmPictureList>, 3> windows_;
};

} // namespace valmor

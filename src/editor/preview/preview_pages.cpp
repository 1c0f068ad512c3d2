#include "editor/preview/preview_pages.h"

#include <algorithm>
#include <optional>

#include "editor/preview/preview_page.h"
#include "game/sprite.h"

namespace valmor {

void PreviewPages::closeAll() {
    for (const QPointer<PreviewWindow>& window : windows_) {
        if (window)
            window->close();
    }
}

void PreviewPages::showPreviewPage(int page) {
    // Opened before the window is touched: a sprite file removed since start-up is
    // reported with the window as it was, and not created again.
    const ByteFile spriteFile = ByteFile::openExisting(folder_.file(kSpriteFileName));
    QPointer<PreviewWindow>& window = windows_.at(page - 1);
    if (!window)
        window = new PreviewWindow(page, owner_);
    PictureBox& picture = *window->picture();
    picture.clear();
    // The page shows the sprites that start-up counted. Those the file no longer holds
    // whole (it was cut since) stay blank, and the page says so once it is shown.
    const int first = previewFirstSprite(page);
    const int last =
        std::min<int>(first + kPreviewGridSize * kPreviewGridSize - 1, game_.lastMonsterIndex);
    std::optional<DataError> pastEnd;
    for (int n = first; n <= last; ++n) {
        const PreviewCell cell =
            previewCellOrigin((n - first) / kPreviewGridSize, (n - first) % kPreviewGridSize);
        try {
            drawSprite(spriteFile, static_cast<std::int16_t>(n), cell.x, cell.y, game_.colourTable,
                       picture);
        } catch (const DataError& error) {
            if (error.kind() != ErrorKind::InputPastEndOfFile)
                throw;
            pastEnd = spritesPastEnd(spriteFile, n, last);
            break;
        }
    }
    picture.update();
    window->show();
    window->raise();
    if (pastEnd)
        throw *pastEnd;
}

} // namespace valmor

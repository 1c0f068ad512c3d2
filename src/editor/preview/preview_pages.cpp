#include "editor/preview/preview_pages.h"

#include "editor/preview/preview_page.h"
#include "game/sprite.h"

namespace valmor {

PreviewPages::~PreviewPages() {
    for (const QPointer<PreviewWindow>& window : windows_)
        delete window.data();
}

void PreviewPages::closeAll() {
    for (const QPointer<PreviewWindow>& window : windows_) {
        if (window)
            window->close();
    }
}

void PreviewPages::showPreviewPage(int page) {
    QPointer<PreviewWindow>& window = windows_.at(page - 1);
    if (!window)
        window = new PreviewWindow(page);
    PictureBox& picture = *window->picture();
    picture.clear();
    const ByteFile spriteFile(dataDir_ / kSpriteFileName);
    auto n = static_cast<std::int16_t>(previewFirstSprite(page));
    for (int i = 0; i < kPreviewGridSize; ++i) {
        for (int j = 0; j < kPreviewGridSize; ++j) {
            if (n > game_.lastMonsterIndex)
                continue;
            const PreviewCell cell = previewCellOrigin(i, j);
            drawSprite(spriteFile, n, cell.x, cell.y, game_.colourTable, picture);
            ++n;
        }
    }
    picture.update();
    window->show();
    window->raise();
}

} // namespace valmor

// The editor's pictures and valmor-data's PNG export show a sprite through the same image:
// where the exported PNG is opaque, the picture holds its very pixel; where it is
// transparent, the picture's background.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/sprite_images.h"
#include "demo/demo_data.h"
#include "editor/picture_box.h"
#include "editor/preview/preview_page.h"
#include "editor/preview/preview_window.h"
#include "editor_fixture.h"

namespace valmor::test {
namespace {

using SpritePictureTest = EditorTest;

TEST_F(SpritePictureTest, PreviewCellsHoldTheExportedPixels) {
    struct Case {
        bool demo; // the demo's sprites and palette, else the fixture's (57 sprites each)
        int page;
        int sprite;
    };
    const Case cases[] = {{false, 1, 0}, {false, 1, 24}, {false, 2, 31}, {true, 1, 12},
                          {true, 2, 44}, {true, 3, 50},  {true, 3, 56}};
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        if (c.demo)
            demo::writeDemoData(dir_, true);
        std::filesystem::remove_all(dir_ / "png");
        std::istringstream in;
        std::ostringstream out, err;
        ASSERT_EQ(cli::runCli({"valmor-data", "-C", dir_.string(), "export-sprites",
                               (dir_ / "png").string()},
                              in, out, err, false),
                  0)
            << err.str();
        QImage png;
        ASSERT_TRUE(png.load(
            QString::fromStdString((dir_ / "png" / cli::spriteFileName(c.sprite, 57)).string())));
        start();
        view->previews().showPreviewPage(c.page);
        ASSERT_TRUE(errors.empty());
        const PictureBox& picture = *view->previewWindow(c.page)->picture();
        const QImage shown = picture.image();
        const QRgb background = picture.palette().color(QPalette::Window).rgb();
        const int k = c.sprite - previewFirstSprite(c.page);
        const PreviewCell cell = previewCellOrigin(k / kPreviewGridSize, k % kPreviewGridSize);
        int opaque = 0;
        for (int y = 0; y < kSpriteHeight; ++y) {
            for (int x = 0; x < kSpriteWidth; ++x) {
                const QPoint at(cell.x + x, cell.y + y);
                const QRgb pixel = png.pixel(x, y);
                opaque += qAlpha(pixel) == 255 ? 1 : 0;
                if (shown.rect().contains(at)) {
                    ASSERT_EQ(shown.pixel(at), qAlpha(pixel) == 0 ? background : pixel)
                        << "pixel " << x << "," << y;
                }
            }
        }
        EXPECT_GT(opaque, 0);
    }
}

} // namespace
} // namespace valmor::test

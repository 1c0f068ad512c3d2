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

class SpritePictureTest : public EditorTest {
protected:
    // The PNG that export-sprites writes for sprite n, decoded.
    QImage exported(int n) {
        if (!std::filesystem::exists(dir_ / "png")) {
            std::istringstream in;
            std::ostringstream out, err;
            EXPECT_EQ(cli::runCli({"valmor-data", "-C", dir_.string(), "export-sprites",
                                   (dir_ / "png").string()},
                                  in, out, err, false),
                      0)
                << err.str();
        }
        QImage image;
        EXPECT_TRUE(image.load(QString::fromStdString(
            (dir_ / "png" / cli::spriteFileName(n, lastSprite() + 1)).string())));
        return image;
    }
    int lastSprite() const {
        return static_cast<int>(std::filesystem::file_size(file(kSpriteFileName)) /
                                kSpriteFrameBytes) -
               1;
    }
};

// A cell's 90 x 100 pixels against the PNG's; the picture may clip the cell.
void expectCellShows(const PictureBox& picture, QPoint origin, const QImage& png) {
    const QImage shown = picture.image();
    const QRgb background = picture.palette().color(QPalette::Window).rgb();
    ASSERT_EQ(png.size(), QSize(kSpriteWidth, kSpriteHeight));
    int opaque = 0, compared = 0;
    for (int y = 0; y < png.height(); ++y) {
        for (int x = 0; x < png.width(); ++x) {
            const QPoint at = origin + QPoint(x, y);
            if (!shown.rect().contains(at))
                continue;
            const QRgb pixel = png.pixel(x, y);
            opaque += qAlpha(pixel) == 255 ? 1 : 0;
            ++compared;
            ASSERT_EQ(shown.pixel(at), qAlpha(pixel) == 0 ? background : pixel)
                << "pixel " << x << "," << y;
        }
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(compared, kSpriteFrameBytes / 2);
}

TEST_F(SpritePictureTest, PreviewCellsHoldTheExportedPixels) {
    struct Case {
        const char* folder;
        int page;
        int sprite;
    };
    // The fixture's palette and patterns, and the demo's own sprites and palette.
    const Case cases[] = {{"fixture", 1, 0}, {"fixture", 1, 24}, {"fixture", 2, 31},
                          {"demo", 1, 12},   {"demo", 2, 44},    {"demo", 3, 50},
                          {"demo", 3, 56}};
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        if (std::string_view(c.folder) == "demo")
            demo::writeDemoData(dir_, true);
        std::filesystem::remove_all(dir_ / "png");
        start();
        view->previews().showPreviewPage(c.page);
        ASSERT_TRUE(errors.empty());
        const int k = c.sprite - previewFirstSprite(c.page);
        const PreviewCell cell = previewCellOrigin(k / kPreviewGridSize, k % kPreviewGridSize);
        expectCellShows(*view->previewWindow(c.page)->picture(), QPoint(cell.x, cell.y),
                        exported(c.sprite));
    }
}

} // namespace
} // namespace valmor::test

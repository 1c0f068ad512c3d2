// A sprite frame as an image: the palette's colours as the editor shows them.
#include <gtest/gtest.h>

#include "images/sprite_image.h"
#include "support/row_name.h"

namespace valmor::test {
namespace {

TEST(SpriteImageTest, ColoursAreTheLevelsTimesFourAsTheEditorShowsThem) {
    struct Case {
        int red, green, blue; // levels in the palette file
        QRgb shown;
    };
    const Case cases[] =
        {
            {63, 0, 0, qRgb(252, 0, 0)},     {0, 63, 0, qRgb(0, 252, 0)},
            {0, 0, 63, qRgb(0, 0, 252)},     {1, 2, 3, qRgb(4, 8, 12)},
            {64, 0, 0, qRgb(0, 1, 0)},       // red spills into the green byte
            {-1, 0, 0, qRgb(252, 255, 255)}, // -4 as a colour value
        };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        PaletteLevels levels;
        levels.paletteRed[1] = static_cast<std::int16_t>(4 * c.red);
        levels.paletteGreen[1] = static_cast<std::int16_t>(4 * c.green);
        levels.paletteBlue[1] = static_cast<std::int16_t>(4 * c.blue);
        const PaletteColours colours = paletteColours(makeColorFromRGB(levels));
        EXPECT_EQ(colours[1], c.shown) << c.red << ',' << c.green << ',' << c.blue;
        EXPECT_EQ(qAlpha(colours[0]), 0);
    }
}

} // namespace
} // namespace valmor::test

// Sprites as PNG images: the palette's colours, exact and nearest colour matching, and
// byte-exact round trips through export-sprites and import-sprite.
#include <gtest/gtest.h>

#include <string>

#include <QBuffer>

#include "cli/cli_error.h"
#include "cli/files.h"
#include "cli/sprite_images.h"
#include "cli_fixture.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

using cli::PaletteColours;

// Entry i is the grey (i, i, i); entry 0 stays transparent.
PaletteColours greys() {
    ColourTable table{};
    for (int i = 0; i < kPaletteEntries; ++i)
        table[static_cast<std::size_t>(i)] = i + 256.0 * i + 65536.0 * i;
    return cli::paletteColours(table);
}

SpriteFrame everyIndex() {
    SpriteFrame frame;
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7 % 256);
    return frame;
}

std::string messageOf(const QImage& image, bool nearest = false) {
    try {
        cli::spriteFrameFromImage(image, greys(), nearest, "t.png");
    } catch (const cli::CliError& error) {
        return error.what();
    }
    return "accepted";
}

TEST(SpriteImageTest, IndexedPngKeepsIndexesEvenOfSharedColours) {
    PaletteColours shared{};
    shared.fill(qRgb(10, 20, 30)); // every entry the same colour
    shared[0] = qRgba(0, 0, 0, 0);
    const SpriteFrame frame = everyIndex();
    const QImage image = cli::decodePng(cli::encodePng(cli::spriteImage(frame, shared)), "t");
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixel(0, 0), qRgba(0, 0, 0, 0));
    EXPECT_EQ(cli::spriteFrameFromImage(image, shared, false, "t").frame, frame);
}

TEST(SpriteImageTest, AnIndexTheImagesColourTableDoesNotHaveIsRefused) {
    // A 16-entry table of colours, and one pixel of index 40.
    QImage image(kSpriteWidth, kSpriteHeight, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 16; ++i)
        table.append(qRgb(10 * i, 0, 200));
    image.setColorTable(table);
    image.fill(3);
    image.scanLine(7)[5] = 40;
    EXPECT_EQ(messageOf(image), "t.png: pixel (5, 7) uses colour index 40, which the image's "
                                "colour table of 16 entries does not have");
    // In a PNG file the reader would quietly make it index 0.
    try {
        cli::decodePng(cli::encodePng(image), "t.png");
        ADD_FAILURE() << "read";
    } catch (const cli::CliError& error) {
        EXPECT_EQ(std::string(error.what()), "t.png: a pixel uses a colour index that the "
                                             "image's colour table (16 entries) does not have");
    }
}

TEST(SpriteImageTest, TrueColourImagesMapByExactColourLowestIndexFirst) {
    const SpriteFrame frame = everyIndex();
    const QImage argb = cli::spriteImage(frame, greys()).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(cli::spriteFrameFromImage(argb, greys(), false, "t").frame, frame);

    PaletteColours twice = greys();
    twice[200] = twice[9];
    const QImage shared = cli::spriteImage(frame, twice).convertToFormat(QImage::Format_ARGB32);
    const SpriteFrame back = cli::spriteFrameFromImage(shared, twice, false, "t").frame;
    for (std::size_t i = 0; i < frame.size(); ++i)
        ASSERT_EQ(back[i], frame[i] == 200 ? 9 : frame[i]) << i;
}

TEST(SpriteImageTest, ColoursOutsideThePaletteAreErrorsUnlessNearest) {
    struct Case {
        QRgb pixel;
        const char* error; // without --nearest
        int nearestIndex;  // with --nearest
    };
    const Case cases[] = {
        {qRgb(0x12, 0x34, 0x56),
         "t.png: pixel (5, 7) has the colour #123456, which no palette entry has; 1 pixel has no "
         "exact palette colour (--nearest maps them to the nearest)",
         52},
        {qRgb(0, 0, 0), "t.png: pixel (5, 7) has the colour #000000, which", 1},
        {qRgba(40, 40, 40, 200), "t.png: pixel (5, 7) is partly transparent (alpha 200 of 255)",
         40},
        {qRgba(40, 40, 40, 100), "t.png: pixel (5, 7) is partly transparent (alpha 100", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        QImage image(kSpriteWidth, kSpriteHeight, QImage::Format_ARGB32);
        image.fill(qRgb(3, 3, 3));
        image.setPixel(5, 7, c.pixel);
        image.setPixel(6, 7, qRgba(9, 9, 9, 0));
        const std::string message = messageOf(image);
        EXPECT_EQ(message.substr(0, std::string(c.error).size()), c.error);
        const auto imported = cli::spriteFrameFromImage(image, greys(), true, "t.png");
        EXPECT_EQ(imported.frame[7 * 90 + 5], c.nearestIndex);
        EXPECT_EQ(imported.frame[7 * 90 + 6], 0);
        EXPECT_EQ(imported.frame[0], 3);
        EXPECT_EQ(imported.nearestPixels, 1);
    }
    QImage many(kSpriteWidth, kSpriteHeight, QImage::Format_RGB32);
    many.fill(qRgb(1, 2, 3));
    EXPECT_NE(messageOf(many).find("pixel (0, 0)"), std::string::npos);
    EXPECT_NE(messageOf(many).find("9000 pixels have no exact"), std::string::npos);
}

TEST(SpriteImageTest, RejectsOtherSizesAndOtherFiles) {
    EXPECT_EQ(messageOf(QImage(91, 100, QImage::Format_ARGB32)),
              "t.png: the image is 91 x 100 pixels; a sprite is 90 x 100");
    EXPECT_EQ(messageOf(QImage(90, 99, QImage::Format_ARGB32)),
              "t.png: the image is 90 x 99 pixels; a sprite is 90 x 100");
    QByteArray bmp;
    QBuffer buffer(&bmp);
    buffer.open(QIODevice::WriteOnly);
    QImage(90, 100, QImage::Format_RGB32).save(&buffer, "BMP");
    const std::pair<QByteArray, const char*> files[] = {
        {bmp, "t: a bmp image; a sprite is imported from a PNG"},
        {"name,hp\n", "t: not an image file; a sprite is imported from a PNG"},
        {QByteArray("\x89PNG\r\n\x1A\n\0\0", 10), "t: cannot read the PNG image"},
    };
    for (const auto& row : files) {
        SCOPED_TRACE(rowName(files, row));
        const auto& [bytes, expected] = row;
        try {
            cli::decodePng(bytes, "t");
            ADD_FAILURE() << expected;
        } catch (const cli::CliError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, std::string(expected).size()), expected);
        }
    }
}

TEST(SpriteImageTest, FileNamesArePaddedToTheLargestNumber) {
    const std::tuple<int, int, const char*> cases[] = {
        {0, 57, "000.png"},    {56, 57, "056.png"},      {999, 1000, "999.png"},
        {5, 1001, "0005.png"}, {1000, 1001, "1000.png"}, {0, 0, "000.png"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [n, count, name] = row;
        EXPECT_EQ(cli::spriteFileName(n, count), name);
    }
}

class SpriteCommandTest : public DemoDirTest {};

TEST_F(SpriteCommandTest, ExportThenImportOfEverySpriteGivesIdenticalBytes) {
    const Bytes before = readBytes(file(kSpriteFileName));
    const auto folder = dir_ / "sprites";
    EXPECT_EQ(cli::exportSprites(session(), folder), 57);
    EXPECT_EQ(out_.str(), "wrote 57 sprites to " + folder.string() + " (000.png to 056.png)\n");
    // Sprite 3 arrives as a true-colour image, as a paint program saves it.
    const QImage edited = QImage(QString::fromStdString((folder / "003.png").string()))
                              .convertToFormat(QImage::Format_ARGB32);
    const QByteArray png = cli::encodePng(edited);
    cli::writeOutputFile(folder / "003.png",
                         {png.constData(), static_cast<std::size_t>(png.size())});
    for (int n = 0; n < 57; ++n)
        cli::importSprite(session(), n, folder / cli::spriteFileName(n, 57), false);
    EXPECT_EQ(readBytes(file(kSpriteFileName)), before);
}

TEST_F(SpriteCommandTest, AppendsAtTheCountAndRefusesBeyond) {
    const auto folder = dir_ / "sprites";
    cli::exportSprites(session(), folder);
    Bytes sprites = readBytes(file(kSpriteFileName));
    sprites.resize(57 * 9000 + 100, 0xEE); // a partial frame at the end
    writeBytes(file(kSpriteFileName), sprites);

    EXPECT_THROW(cli::importSprite(session(), 58, folder / "050.png", false), cli::CliError);
    EXPECT_EQ(readBytes(file(kSpriteFileName)), sprites);

    cli::importSprite(session(), 57, folder / "050.png", false);
    const Bytes grown = readBytes(file(kSpriteFileName));
    ASSERT_EQ(grown.size(), 58u * 9000);
    EXPECT_TRUE(std::equal(grown.begin() + 57 * 9000, grown.end(), grown.begin() + 50 * 9000));
    EXPECT_TRUE(std::equal(sprites.begin(), sprites.begin() + 57 * 9000, grown.begin()));
    EXPECT_NE(err_.str().find("sprite 57 has no stats yet"), std::string::npos);

    cli::importSprite(session(), 0, folder / "050.png", false);
    const Bytes replaced = readBytes(file(kSpriteFileName));
    EXPECT_TRUE(std::equal(replaced.begin(), replaced.begin() + 9000, grown.begin() + 50 * 9000));
    EXPECT_TRUE(std::equal(replaced.begin() + 9000, replaced.end(), grown.begin() + 9000));
}

} // namespace
} // namespace valmor::test

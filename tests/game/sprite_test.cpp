// Drawing sprites from "monster.dat" onto a surface that records every point set.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <vector>

#include "game/sprite.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

namespace fs = std::filesystem;

struct Point {
    int x, y;
    std::int32_t colour;
    bool operator==(const Point&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << "(" << p.x << "," << p.y << ":" << p.colour << ")";
}

struct RecordingSurface {
    void setPoint(int x, int y, std::int32_t colour) { points.push_back({x, y, colour}); }
    std::vector<Point> points;
};

// The colour with `index` in each of its three bytes.
constexpr std::int32_t grey(int index) {
    return index * 65793;
}

class SpriteTest : public TempDirTest {
protected:
    SpriteTest() {
        for (int i = 0; i < 257; ++i)
            colours_[i] = grey(i);
        colours_[0] = colours_[256] = -1; // never meant to be drawn
    }
    // A sprite file of `frames` frames of `fill`, then `bytes` put at `offset`.
    void makeFile(int frames, std::uint8_t fill, std::size_t offset = 0, const Bytes& bytes = {}) {
        Bytes contents(static_cast<std::size_t>(frames) * 9000, fill);
        std::copy(bytes.begin(), bytes.end(), contents.begin() + offset);
        writeBytes(file("monster.dat"), contents);
    }
    std::vector<Point> draw(const ByteFile& sprites, std::int16_t n, int x0 = 0, int y0 = 0) {
        RecordingSurface surface;
        drawSprite(sprites, n, x0, y0, colours_, surface);
        return surface.points;
    }
    std::vector<Point> draw(std::int16_t n, int x0 = 0, int y0 = 0) {
        return draw(ByteFile(file("monster.dat")), n, x0, y0);
    }
    ColourTable colours_{};
};

TEST_F(SpriteTest, PointsComeInFileOrderAtAbsolutePositions) {
    Bytes frame(9000);
    std::vector<Point> expected;
    for (int k = 0; k < 9000; ++k) {
        frame[k] = static_cast<std::uint8_t>(k % 256);
        if (k % 256 != 0)
            expected.push_back({13 + k % 90, 27 + k / 90, grey(k % 256)});
    }
    makeFile(3, 77, 9000, frame);
    EXPECT_EQ(draw(1, 13, 27), expected);
}

TEST_F(SpriteTest, OneMarkedByteAmongNeighbourFramesLandsOnItsPoint) {
    struct Case {
        int frames;
        std::int16_t n;
        int x0, y0;
        std::size_t offset; // of the one non-zero byte of frame n
        std::uint8_t value;
        Point expected;
    };
    const Case cases[] = {
        {3, 2, 0, 0, 18095, 200, {5, 1, grey(200)}},
        {1, 0, 0, 0, 0, 9, {0, 0, grey(9)}},
        {2, 0, 95, 105, 0, 1, {95, 105, grey(1)}},
        {3, 1, 95, 105, 9000 + 8999, 255, {95 + 89, 105 + 99, 16777215}},
        {3, 1, -10, -20, 9000 + 90 * 50 + 3, 128, {-7, 30, grey(128)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rowName(cases, c));
        Bytes frame(9000, 0);
        frame[c.offset - c.n * 9000] = c.value;
        makeFile(c.frames, 77, c.n * 9000, frame);
        EXPECT_EQ(draw(c.n, c.x0, c.y0), std::vector<Point>{c.expected}) << c.offset;
    }
    makeFile(2, 0);
    EXPECT_TRUE(draw(1).empty());
    RecordingSurface surface;
    const ByteFile sprites(file("monster.dat"));
    EXPECT_EQ(errorKindOf([&] { drawSprite(sprites, -1, 0, 0, colours_, surface); }),
              ErrorKind::BadRecordNumber);
    EXPECT_TRUE(surface.points.empty());
}

TEST_F(SpriteTest, EachDrawReadsTheFileAfresh) {
    const auto changed = [](const std::vector<Point>& points, int index) {
        return points.size() == 9000 && std::all_of(points.begin(), points.end(), [&](Point p) {
                   return p.colour == grey(index);
               });
    };
    makeFile(2, 1);
    EXPECT_TRUE(changed(draw(0), 1));
    makeFile(2, 2);
    EXPECT_TRUE(changed(draw(0), 2));
    // The same open file, drawn again after the next frame changed on disk.
    const ByteFile sprites(file("monster.dat"));
    EXPECT_TRUE(changed(draw(sprites, 0), 2));
    std::fstream(file("monster.dat"), std::ios::in | std::ios::out | std::ios::binary)
        .seekp(9000)
        .write(std::string(9000, '\3').data(), 9000);
    EXPECT_TRUE(changed(draw(sprites, 1), 3)) << "stale bytes from the same open file";
}

TEST_F(SpriteTest, LastSpriteIndexCountsWholeFrames) {
    constexpr int kOverflow = 99999;
    const std::pair<std::uintmax_t, int> cases[] = {
        {0, -1},
        {8999, -1},
        {9000, 0},
        {17999, 0},
        {18000, 1},
        {513000, 56},
        {294912000, 32767},
        {294920999, 32767},
        {294921000, kOverflow},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [size, last] = row;
        writeBytes(file("monster.dat"), Bytes{});
        fs::resize_file(file("monster.dat"), size); // sparse: only the length matters
        const std::int64_t length = ByteFile(file("monster.dat")).length();
        EXPECT_EQ(length, static_cast<std::int64_t>(size));
        if (last == kOverflow)
            EXPECT_EQ(errorKindOf([&] { lastSpriteIndex(length); }), ErrorKind::Overflow);
        else
            EXPECT_EQ(lastSpriteIndex(length), last) << size;
    }
    EXPECT_EQ(lastSpriteIndex(ByteFile(file("missing.dat")).length()), -1);
}

} // namespace
} // namespace valmor::test

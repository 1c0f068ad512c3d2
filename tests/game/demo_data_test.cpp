// The demo data generator: the five files it writes must load in the editor and make sense.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <set>
#include <sstream>
#include <string>

#include "demo/canvas.h"
#include "demo/demo_data.h"
#include "demo/families.h"
#include "demo/palette_ramps.h"
#include "demo/random.h"
#include "demo/tables.h"
#include "files/byte_file.h"
#include "game/encounter_record.h"
#include "game/item_list.h"
#include "game/monster_record.h"
#include "game/palette.h"
#include "game/sprite.h"
#include "support/temp_dir.h"

namespace valmor::test {
namespace {

constexpr int kSprites = 57;
constexpr int kFirstBoss = 50;

constexpr std::array<const char*, 5> kFileNames{kPaletteFileName, kSpriteFileName, kMonsterFileName,
                                                kEncounterFileName, kItemListFileName};

class DemoDataTest : public TempDirTest {
protected:
    void SetUp() override { demo::writeDemoData(dir_); }
};

TEST_F(DemoDataTest, WritesTheBinaryFilesAtTheirExactSizes) {
    const std::pair<const char*, std::uintmax_t> cases[] = {
        {kSpriteFileName, 513'000},
        {kMonsterFileName, 57 * 86},
        {kEncounterFileName, 268 * 26},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [name, size] = row;
        EXPECT_EQ(std::filesystem::file_size(file(name)), size) << name;
    }
    for (const char* name : kFileNames)
        EXPECT_TRUE(std::filesystem::exists(file(name))) << name;
}

TEST_F(DemoDataTest, RunsGiveIdenticalBytes) {
    demo::writeDemoData(dir_ / "again");
    for (const char* name : kFileNames)
        EXPECT_EQ(readBytes(file(name)), readBytes(dir_ / "again" / name)) << name;
}

TEST_F(DemoDataTest, RefusesToReplaceAnyExistingFileUnlessForced) {
    for (const char* existing : kFileNames) {
        const std::filesystem::path dir = dir_ / (std::string("only-") + existing);
        std::filesystem::create_directories(dir);
        writeText(dir / existing, "keep");
        EXPECT_THROW(demo::writeDemoData(dir), demo::DemoDataError) << existing;
        EXPECT_EQ(readBytes(dir / existing), Bytes({'k', 'e', 'e', 'p'})) << existing;
        for (const char* other : kFileNames)
            EXPECT_EQ(std::filesystem::exists(dir / other), other == existing) << existing;

        const auto written = demo::writeDemoData(dir, true);
        ASSERT_EQ(written.size(), kFileNames.size());
        EXPECT_EQ(readBytes(dir / existing), readBytes(file(existing))) << existing;
    }
}

TEST_F(DemoDataTest, PaletteLoadsWithLevelsUpTo63AndBlackTransparency) {
    const ColourTable table = makeColorFromRGB(loadPalette(file(kPaletteFileName)));
    EXPECT_EQ(table[0], 0);
    std::set<double> distinct;
    for (int i = 0; i < 256; ++i) {
        const auto colour = static_cast<std::int32_t>(table[i]);
        for (int shift : {0, 8, 16})
            EXPECT_LE((colour >> shift) & 0xFF, 252) << i;
        EXPECT_EQ(colour >> 24, 0) << i;
        distinct.insert(table[i]);
    }
    EXPECT_GT(distinct.size(), 200u);
}

TEST_F(DemoDataTest, ItemListGivesHundredNamesWithOneHoldingAComma) {
    const std::vector<std::string> names = loadItemNames(file(kItemListFileName));
    ASSERT_EQ(names.size(), 100u);
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.find(',') != std::string::npos; }),
              1);
    EXPECT_NE(std::find(names.begin(), names.end(), "Bread, stale"), names.end());
    for (const std::string& name : names) {
        SCOPED_TRACE(rowName(names, name));
        EXPECT_FALSE(name.empty());
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) {
            return c >= ' ' && c <= '~' && c != '"';
        })) << name;
    }
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 100u);
}

TEST_F(DemoDataTest, MonsterRecordsAreConsistentAndBossesStrongest) {
    std::set<std::string> names;
    int strongestRegular = 0;
    for (int n = 0; n < kSprites; ++n) {
        SCOPED_TRACE(n);
        const MonsterRecord r =
            readMonsterRecord(file(kMonsterFileName), static_cast<std::int16_t>(n));
        EXPECT_NE(r.name.front(), ' ');
        names.insert(r.name);
        EXPECT_EQ(r.hp2, r.hp);
        EXPECT_GT(r.hp, 0);
        EXPECT_GE(r.level, 1);
        EXPECT_LT(r.level, 100);
        for (std::int16_t item : {r.item1, r.item2}) {
            EXPECT_GE(item, -1);
            EXPECT_LE(item, 99);
        }
        EXPECT_LE(r.offMin, r.offMax);
        EXPECT_LE(r.sp1Min, r.sp1Max);
        EXPECT_LE(r.sp2Min, r.sp2Max);
        for (std::int16_t flag : {r.s1PorM, r.s2PorM, r.canURun})
            EXPECT_TRUE(flag == 0 || flag == 1);
        if (n < kFirstBoss) {
            strongestRegular = std::max<int>(strongestRegular, r.hp);
        } else {
            EXPECT_GT(r.hp, 2 * strongestRegular);
        }
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kSprites));
}

TEST_F(DemoDataTest, EncountersAddUpAndGrowStrongerWithTheMap) {
    std::set<int> bossesMet;
    int lairs = 0;
    for (int map = 1; map <= 268; ++map) {
        SCOPED_TRACE(map);
        const EncounterRecord r =
            readEncounterRecord(file(kEncounterFileName), static_cast<std::int16_t>(map));
        EXPECT_EQ(std::accumulate(r.monFreq.begin(), r.monFreq.end(), 0), 100);
        EXPECT_EQ(std::accumulate(r.nomNum.begin(), r.nomNum.end(), 0), 100);
        bool lair = false;
        for (std::int16_t monster : r.monIndex) {
            EXPECT_GE(monster, 0);
            EXPECT_LT(monster, kSprites);
            if (monster >= kFirstBoss) {
                lair = true;
                bossesMet.insert(monster);
            }
        }
        lairs += lair;
        if (map <= 10) {
            EXPECT_LT(*std::max_element(r.monIndex.begin(), r.monIndex.end()), 10);
        }
        if (map >= 250 && !lair) {
            EXPECT_GE(*std::min_element(r.monIndex.begin(), r.monIndex.end()), 40);
        }
    }
    EXPECT_EQ(bossesMet.size(), 7u);
    EXPECT_LE(lairs, 10);
}

TEST_F(DemoDataTest, CharactersComeOnRequestAndAreNeverReplacedUnlessForced) {
    EXPECT_FALSE(std::filesystem::exists(file(demo::kCharactersFileName)));
    const std::filesystem::path dir = dir_ / "with-characters";
    const auto written = demo::writeDemoData(dir, false, true);
    ASSERT_EQ(written.size(), kFileNames.size() + 2);
    EXPECT_EQ(written[kFileNames.size()].path, dir / demo::kCharactersFileName);
    EXPECT_EQ(written.back().path, dir / demo::kTargetsFileName);
    for (const char* name : kFileNames)
        EXPECT_EQ(readBytes(dir / name), readBytes(file(name))) << name;
    writeText(file(demo::kCharactersFileName), "keep");
    std::filesystem::remove(file(kPaletteFileName));
    EXPECT_THROW(demo::writeDemoData(dir_, false, true), demo::DemoDataError);
    EXPECT_FALSE(std::filesystem::exists(file(kPaletteFileName)));
    EXPECT_EQ(readBytes(file(demo::kCharactersFileName)), Bytes({'k', 'e', 'e', 'p'}));
}

TEST_F(DemoDataTest, CharactersRiseFromLevel1To20InEveryValue) {
    demo::writeDemoData(dir_, true, true);
    const Bytes bytes = readBytes(file(demo::kCharactersFileName));
    const std::string text(bytes.begin(), bytes.end());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << "every line ends with CRLF";
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines.front(), "name,level,strength,agility,item_damage,item_defense,hp");
    EXPECT_EQ(lines[1], "L1,1,14,11,10,5,45");
    std::array<int, 6> previous{};
    for (int level = 1; level <= 20; ++level) {
        SCOPED_TRACE(lines[static_cast<std::size_t>(level)]);
        std::istringstream row(lines[static_cast<std::size_t>(level)]);
        std::string name;
        std::getline(row, name, ',');
        EXPECT_EQ(name, "L" + std::to_string(level));
        std::array<int, 6> values{};
        for (int& value : values) {
            std::string cell;
            std::getline(row, cell, ',');
            value = std::stoi(cell);
        }
        EXPECT_EQ(values[0], level);
        for (std::size_t c = 0; c < values.size(); ++c)
            EXPECT_GT(values[c], previous[c]) << "column " << c;
        previous = values;
    }
}

TEST_F(DemoDataTest, SpritesAreDistinctFramedPictures) {
    const ByteFile sprites(file(kSpriteFileName));
    std::set<SpriteFrame> frames;
    for (int n = 0; n < kSprites; ++n) {
        SCOPED_TRACE(n);
        const SpriteFrame frame = readSpriteFrame(sprites, static_cast<std::int16_t>(n));
        for (int corner :
             {0, kSpriteWidth - 1, kSpriteFrameBytes - kSpriteWidth, kSpriteFrameBytes - 1})
            EXPECT_EQ(frame[static_cast<std::size_t>(corner)], 0) << corner;
        const auto drawn = std::count_if(frame.begin(), frame.end(), [](auto b) { return b != 0; });
        EXPECT_GT(drawn, kSpriteFrameBytes * 15 / 100);
        EXPECT_LT(drawn, kSpriteFrameBytes * 85 / 100);
        frames.insert(frame);
    }
    EXPECT_EQ(frames.size(), static_cast<std::size_t>(kSprites));
}

// The drawing kit behind the sprites.

TEST(DemoPaletteTest, EveryRampRunsFromDarkToLight) {
    const auto palette = demo::demoPalette();
    for (int ramp = 0; ramp < demo::kRampCount; ++ramp) {
        int previous = -1;
        for (int shade = 0; shade < demo::kRampShades; ++shade) {
            const demo::Rgb c = palette[demo::rampIndex(static_cast<demo::Ramp>(ramp), shade)];
            const int brightness = c.r + c.g + c.b;
            EXPECT_GT(brightness, previous) << "ramp " << ramp << " shade " << shade;
            for (int level : {c.r, c.g, c.b})
                EXPECT_LE(level, 63);
            previous = brightness;
        }
    }
    EXPECT_EQ(demo::rampIndex(static_cast<demo::Ramp>(demo::kRampCount - 1), demo::kRampShades - 1),
              255);
}

std::size_t at(int x, int y) {
    return static_cast<std::size_t>(y * kSpriteWidth + x);
}

TEST(DemoCanvasTest, OutlinesTheSilhouetteAndEdgesPartsDrawnInFront) {
    const std::uint8_t greenLine = demo::rampIndex(demo::Ramp::Green, 0);
    const std::uint8_t redLine = demo::rampIndex(demo::Ramp::Red, 0);
    // Two overlapping discs, the red one in front: as separate parts and as one group.
    for (bool grouped : {false, true}) {
        SCOPED_TRACE(grouped);
        demo::Canvas canvas;
        if (grouped)
            canvas.beginGroup();
        canvas.ellipse({35, 50}, 10, 10, demo::paint(demo::Ramp::Green));
        canvas.ellipse({50, 50}, 10, 10, demo::paint(demo::Ramp::Red));
        if (grouped)
            canvas.endGroup();
        const SpriteFrame frame = canvas.finish();
        EXPECT_EQ(frame[at(24, 50)], demo::ink::Outline);
        EXPECT_EQ(frame[at(60, 50)], demo::ink::Outline);
        EXPECT_EQ(frame[at(23, 50)], 0);
        EXPECT_EQ(frame[at(61, 50)], 0);
        EXPECT_EQ(frame[at(5, 5)], 0);
        // The red disc meets the green one at x = 40 on the middle row.
        EXPECT_EQ(frame[at(40, 50)] == redLine, !grouped);
        EXPECT_NE(frame[at(39, 50)], greenLine);
        EXPECT_NE(frame[at(50, 50)], redLine);
    }
}

TEST(DemoCanvasTest, MirroredHalvesCoverSymmetricPixels) {
    demo::Canvas canvas;
    demo::bothSides(canvas, [&] {
        canvas.ellipse({20, 40}, 8, 5, demo::paint(demo::Ramp::Blue), 0.4f);
        canvas.polygon({{30, 60}, {44, 62}, {36, 80}}, demo::paint(demo::Ramp::Gold));
    });
    const SpriteFrame frame = canvas.finish();
    for (int y = 0; y < kSpriteHeight; ++y)
        for (int x = 0; x < kSpriteWidth / 2; ++x)
            ASSERT_EQ(frame[at(x, y)] != 0, frame[at(kSpriteWidth - 1 - x, y)] != 0)
                << x << ',' << y;
}

TEST(DemoRandomTest, RangesStayWithinTheirBoundsAndReachBothEnds) {
    const std::pair<int, int> cases[] = {{0, 0}, {-4, 4}, {0, 99}, {10, 30}};
    demo::Random random(7);
    for (const auto& row : cases) {
        SCOPED_TRACE(rowName(cases, row));
        const auto& [lo, hi] = row;
        std::set<int> seen;
        for (int i = 0; i < 5000; ++i) {
            const int value = random.range(lo, hi);
            ASSERT_GE(value, lo);
            ASSERT_LE(value, hi);
            seen.insert(value);
        }
        EXPECT_EQ(seen.size(), static_cast<std::size_t>(hi - lo + 1)) << lo << ".." << hi;
    }
}

} // namespace
} // namespace valmor::test

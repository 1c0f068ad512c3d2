// The three preview windows: which sprite each cell of a page shows for sprite files of
// different lengths, the windows' layout, and one window per page across presses.
#include <optional>

#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include "editor/preview/preview_page.h"
#include "editor/preview/preview_window.h"
#include "editor_fixture.h"
#include "game/sprite.h"

namespace valmor::test {
namespace {

// Points of a cell outside the sprite's transparent 10 x 10 corner, then two that always
// show the background: inside that corner and in the gap to the right of the cell.
constexpr std::array<QPoint, 7> kCellPoints{
    {{10, 0}, {89, 0}, {45, 50}, {0, 99}, {89, 91}, {5, 5}, {92, 50}}};
constexpr std::size_t kSpritePoints = 5;

// Changes pixel (30, 60) of sprite n to `byte`.
Bytes withPixel(Bytes sprites, int n, std::uint8_t byte) {
    sprites.at(static_cast<std::size_t>(n) * kSpriteFrameBytes + 60 * kSpriteWidth + 30) = byte;
    return sprites;
}

class PreviewTest : public EditorTest {
protected:
    void press(int page) const {
        std::array{view->cmdPreview1, view->cmdPreview2, view->cmdPreview3}
            .at(static_cast<std::size_t>(page - 1))
            ->click();
    }
    QImage image(int page) const { return view->previewWindow(page)->picture()->image(); }
    QRgb background(int page) const {
        return view->previewWindow(page)->picture()->palette().color(QPalette::Window).rgb();
    }

    // Every cell of the page holds its sprite up to `lastIndex` and the background after;
    // points beyond the picture are clipped and not checked.
    void expectPage(int page, int lastIndex) const {
        SCOPED_TRACE("page " + std::to_string(page));
        ASSERT_NE(view->previewWindow(page), nullptr);
        EXPECT_TRUE(view->previewWindow(page)->isVisible());
        const QImage shown = image(page);
        for (int i = 0; i < 5; ++i) {
            for (int j = 0; j < 5; ++j) {
                const int n = previewFirstSprite(page) + 5 * i + j;
                for (std::size_t k = 0; k < kCellPoints.size(); ++k) {
                    const QPoint at = kCellPoints[k], p = QPoint(95 * j, 105 * i) + at;
                    if (!shown.rect().contains(p))
                        continue;
                    const bool sprite = n <= lastIndex && k < kSpritePoints;
                    EXPECT_EQ(shown.pixel(p), sprite
                                                  ? fixtureColour(fixturePixel(n, at.x(), at.y()))
                                                  : background(page))
                        << "cell " << i << "," << j << " at " << at.x() << "," << at.y();
                }
            }
        }
    }
};

TEST_F(PreviewTest, PagesShowTheirSpritesUpToTheLastIndex) {
    const std::pair<Bytes, int> cases[] = {
        {fixtureSprites(57), 56},
        {fixtureSprites(31), 30},
        {fixtureSprites(101), 100},
        {Bytes(kSpriteFrameBytes - 1, 7), -1},
    };
    for (const auto& [sprites, lastIndex] : cases) {
        SCOPED_TRACE("lastMonsterIndex " + std::to_string(lastIndex));
        writeBytes(file(kSpriteFileName), sprites);
        start();
        ASSERT_EQ(view->lastMonsterIndex(), lastIndex);
        for (int page = 1; page <= 3; ++page) {
            press(page);
            expectPage(page, lastIndex);
        }
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(PreviewTest, SpritesTheFileNoLongerHoldsAreReportedAndNothingIsCreated) {
    // After start-up counted 57 sprites, another program cuts or removes the file.
    const struct {
        const char* change;
        std::optional<std::uintmax_t> size; // none: removed
        int page;
        int lastDrawn;
        std::string subject; // empty: no error
    } rows[] = {
        {"cut to 10 frames, the bosses", 10 * 9000, 3, 49,
         "sprites 50 to 56 (monster.dat holds 10 whole frames: sprites 0 to 9)"},
        {"cut mid-page, mid-frame", 30 * 9000 + 4500, 2, 29,
         "sprites 30 to 49 (monster.dat holds 30 whole frames: sprites 0 to 29, then 4500 of "
         "sprite 30's 9000 bytes)"},
        {"cut past the page", 30 * 9000 + 4500, 1, 24, ""},
        {"removed", std::nullopt, 1, -1, "monster.dat (No such file or directory)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.change);
        SetUp();
        errors.clear();
        start();
        if (row.size)
            std::filesystem::resize_file(file(kSpriteFileName), *row.size);
        else
            std::filesystem::remove(file(kSpriteFileName));
        press(row.page);
        if (row.subject.empty()) {
            EXPECT_TRUE(errors.empty());
        } else {
            ASSERT_EQ(errorKinds(), std::vector{row.size ? ErrorKind::InputPastEndOfFile
                                                         : ErrorKind::FileNotFound});
            EXPECT_EQ(errors[0].subject(), row.subject);
        }
        if (row.size) {
            expectPage(row.page, row.lastDrawn);
            EXPECT_EQ(std::filesystem::file_size(file(kSpriteFileName)), *row.size);
        } else {
            EXPECT_EQ(view->previewWindow(row.page), nullptr);
            EXPECT_FALSE(std::filesystem::exists(file(kSpriteFileName)));
        }
    }
}

TEST_F(PreviewTest, PageOneRowTwoColumnThreeHoldsSprite13At285x210) {
    start();
    press(1);
    const QImage shown = image(1);
    EXPECT_EQ(shown.pixel(285 + 10, 210), fixtureColour(fixturePixel(13, 10, 0)));
    EXPECT_EQ(shown.pixel(285, 210 + 10), fixtureColour(fixturePixel(13, 0, 10)));
    EXPECT_EQ(shown.pixel(285 + 89, 210 + 99), fixtureColour(fixturePixel(13, 89, 99)));
    for (const QPoint& outside : {QPoint(284, 260), QPoint(335, 209), QPoint(375, 260)})
        EXPECT_EQ(shown.pixel(outside), background(1));
}

TEST_F(PreviewTest, WindowsHaveTheirCaptionsAndLayout) {
    const std::tuple<int, QString, QSize, QRect> cases[] = {
        {1, "Monsters 0-24", {534, 557}, {8, 8, 505, 537}},
        {2, "Monsters 25-49", {528, 560}, {8, 8, 513, 545}},
        {3, "Game Bosses", {526, 224}, {8, 8, 505, 201}},
    };
    start();
    for (const auto& [page, caption, client, picture] : cases) {
        SCOPED_TRACE(page);
        EXPECT_EQ(view->previewWindow(page), nullptr);
        press(page);
        const PreviewWindow* preview = view->previewWindow(page);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->windowTitle(), caption);
        EXPECT_EQ(preview->size(), client);
        EXPECT_EQ(preview->picture()->geometry(), picture);
        // A 2-pixel border inside the rectangle: page 3 shows 197 rows and clips the rest.
        EXPECT_EQ(image(page).size(), picture.size() - QSize(4, 4));
        EXPECT_FALSE(preview->isModal());
    }
}

TEST_F(PreviewTest, SecondPressClearsAndRedrawsTheSameWindowFromTheFile) {
    start();
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        press(page);
        PreviewWindow* first = view->previewWindow(page);
        first->picture()->setPoint(5, 5, 0x0000FF); // in the sprite's transparent corner
        // Sprite 57, added after start-up, stays beyond lastMonsterIndex.
        writeBytes(file(kSpriteFileName),
                   withPixel(fixtureSprites(58), previewFirstSprite(page), 200));
        press(page);
        EXPECT_EQ(view->previewWindow(page), first);
        EXPECT_EQ(image(page).pixel(5, 5), background(page));
        EXPECT_EQ(image(page).pixel(30, 60), fixtureColour(200));
        expectPage(page, 56);
    }
    int previews = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        previews += qobject_cast<PreviewWindow*>(widget) != nullptr;
    EXPECT_EQ(previews, 3);
    EXPECT_TRUE(errors.empty());
}

TEST_F(PreviewTest, ClosedWindowIsCreatedAgainByTheNextPress) {
    start();
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        press(page);
        QPointer<PreviewWindow> closed = view->previewWindow(page);
        closed->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(closed.isNull());
        EXPECT_EQ(view->previewWindow(page), nullptr);
        writeBytes(file(kSpriteFileName),
                   withPixel(fixtureSprites(57), previewFirstSprite(page), 201));
        press(page);
        expectPage(page, 56);
        EXPECT_EQ(image(page).pixel(30, 60), fixtureColour(201));
    }
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace valmor::test

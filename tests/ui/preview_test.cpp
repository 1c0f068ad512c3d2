// The three preview windows: which sprite each cell of a page shows for sprite files of
// different lengths, the windows' layout, and one window per page across presses.
#include <optional>

#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include "data/sprite.h"
#include "editor_fixture.h"
#include "ui/frm_picture_list.h"

namespace valmor::test {
namespace {

// Points of a cell checked against the sprite: corners and middle, all outside the
// transparent 10 x 10 corner.
constexpr std::array<QPoint, 5> kSpritePoints{{{10, 0}, {89, 0}, {45, 50}, {0, 99}, {89, 91}}};

class PreviewTest : public EditorTest {
protected:
    QPushButton* button(int page) const {
        return std::array{window->cmdPreview1, window->cmdPreview2, window->cmdPreview3}.at(
            static_cast<std::size_t>(page - 1));
    }
    void press(int page) const { button(page)->click(); }

    // Every cell of the page holds its sprite up to `lastIndex` and the background after.
    void expectPage(int page, int lastIndex) const {
        SCOPED_TRACE("page " + std::to_string(page));
        const frmPictureList* preview = window->previewWindow(page);
        ASSERT_NE(preview, nullptr);
        EXPECT_TRUE(preview->isVisible());
        const QImage image = preview->picture()->image();
        image.save(QString("/tmp/page%1.png").arg(page));
        const QRgb background = preview->picture()->palette().color(QPalette::Window).rgb();
        const auto pixel = [&](int x, int y) -> std::optional<QRgb> {
            if (x >= image.width() || y >= image.height())
                return std::nullopt; // clipped
            return image.pixel(x, y);
        };
        for (int i = 0; i < 5; ++i) {
            for (int j = 0; j < 5; ++j) {
                const int n = frmPictureList::firstSprite(page) + 5 * i + j;
                const QPoint origin(95 * j, 105 * i);
                SCOPED_TRACE("cell " + std::to_string(i) + "," + std::to_string(j));
                for (const QPoint& at : kSpritePoints) {
                    const QPoint p = origin + at;
                    if (const auto seen = pixel(p.x(), p.y()))
                        EXPECT_EQ(*seen, n <= lastIndex
                                             ? fixtureColour(fixturePixel(n, at.x(), at.y()))
                                             : background)
                            << "at " << at.x() << "," << at.y();
                }
                // The transparent corner and the gap to the right show the background.
                for (const QPoint& p : {origin + QPoint(5, 5), origin + QPoint(92, 50)})
                    if (const auto seen = pixel(p.x(), p.y()))
                        EXPECT_EQ(*seen, background) << p.x() << "," << p.y();
            }
        }
    }
};

TEST_F(PreviewTest, PagesShowTheirSpritesUpToTheLastIndex) {
    struct Case {
        Bytes sprites;
        int lastIndex;
    };
    const Case cases[] = {
        {fixtureSprites(57), 56},
        {fixtureSprites(31), 30},
        {fixtureSprites(101), 100},
        {Bytes(kSpriteFrameBytes - 1, 7), -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("lastMonsterIndex " + std::to_string(c.lastIndex));
        writeBytes(file(kSpriteFileName), c.sprites);
        start();
        ASSERT_EQ(window->lastMonsterIndex, c.lastIndex);
        for (int page = 1; page <= 3; ++page) {
            press(page);
            expectPage(page, c.lastIndex);
        }
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(PreviewTest, PageOneRowTwoColumnThreeHoldsSprite13At285x210) {
    start();
    press(1);
    const QImage image = window->previewWindow(1)->picture()->image();
    const QRgb background =
        window->previewWindow(1)->picture()->palette().color(QPalette::Window).rgb();
    EXPECT_EQ(image.pixel(285 + 10, 210), fixtureColour(fixturePixel(13, 10, 0)));
    EXPECT_EQ(image.pixel(285, 210 + 10), fixtureColour(fixturePixel(13, 0, 10)));
    EXPECT_EQ(image.pixel(285 + 89, 210 + 99), fixtureColour(fixturePixel(13, 89, 99)));
    EXPECT_EQ(image.pixel(284, 210 + 50), background);
    EXPECT_EQ(image.pixel(285 + 50, 209), background);
    EXPECT_EQ(image.pixel(285 + 90, 210 + 50), background);
}

TEST_F(PreviewTest, WindowsHaveTheirCaptionsAndLayout) {
    struct Case {
        int page;
        QString caption;
        QSize client;
        QRect picture;
    };
    const Case cases[] = {
        {1, "Monsters 0-24", {534, 557}, {8, 8, 505, 537}},
        {2, "Monsters 25-49", {528, 560}, {8, 8, 513, 545}},
        {3, "Game Bosses", {526, 224}, {8, 8, 505, 201}},
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        EXPECT_EQ(window->previewWindow(c.page), nullptr);
        press(c.page);
        const frmPictureList* preview = window->previewWindow(c.page);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->windowTitle(), c.caption);
        EXPECT_EQ(preview->size(), c.client);
        EXPECT_EQ(preview->picture()->geometry(), c.picture);
        // A 2-pixel border inside the rectangle: page 3 shows 197 rows and clips the rest.
        EXPECT_EQ(preview->picture()->image().size(), c.picture.size() - QSize(4, 4));
        EXPECT_FALSE(preview->isModal());
    }
}

TEST_F(PreviewTest, SecondPressClearsAndRedrawsTheSameWindowFromTheFile) {
    start();
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        press(page);
        frmPictureList* first = window->previewWindow(page);
        ASSERT_NE(first, nullptr);
        const int n = frmPictureList::firstSprite(page);
        first->picture()->setPoint(5, 5, 0x0000FF); // in the sprite's transparent corner
        // Change pixel (45, 50) of the page's first sprite, and add a sprite after the last.
        Bytes sprites = fixtureSprites(58);
        sprites[static_cast<std::size_t>(n) * kSpriteFrameBytes + 50 * kSpriteWidth + 45] = 200;
        writeBytes(file(kSpriteFileName), sprites);
        press(page);
        EXPECT_EQ(window->previewWindow(page), first);
        const QImage image = first->picture()->image();
        const QRgb background = first->picture()->palette().color(QPalette::Window).rgb();
        EXPECT_EQ(image.pixel(5, 5), background);
        EXPECT_EQ(image.pixel(45, 50), fixtureColour(200));
        if (page == 3) // sprite 57 was added after start-up: its cell stays empty
            EXPECT_EQ(image.pixel(95 * 2 + 45, 105 + 50), background);
    }
    int previews = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        previews += qobject_cast<frmPictureList*>(widget) != nullptr;
    EXPECT_EQ(previews, 3);
    EXPECT_TRUE(errors.empty());
}

TEST_F(PreviewTest, ClosedWindowIsCreatedAgainByTheNextPress) {
    start();
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        press(page);
        QPointer<frmPictureList> closed = window->previewWindow(page);
        closed->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(closed.isNull());
        EXPECT_EQ(window->previewWindow(page), nullptr);
        Bytes sprites = fixtureSprites(57);
        const int n = frmPictureList::firstSprite(page);
        sprites[static_cast<std::size_t>(n) * kSpriteFrameBytes + 60 * kSpriteWidth + 30] = 201;
        writeBytes(file(kSpriteFileName), sprites);
        press(page);
        const frmPictureList* again = window->previewWindow(page);
        ASSERT_NE(again, nullptr);
        EXPECT_TRUE(again->isVisible());
        EXPECT_EQ(again->picture()->image().pixel(30, 60), fixtureColour(201));
        expectPage(page, 56);
    }
    EXPECT_TRUE(errors.empty());
}

} // namespace
} // namespace valmor::test

#include "demo/sprites.h"

#include "demo/families.h"

namespace valmor::demo {

SpriteFrame drawMonster(int n) {
    using DrawFamily = void (*)(Canvas&, int, Random&);
    static constexpr DrawFamily kFamilies[] = {drawSlime,   drawBat,      drawGoblin, drawWolf,
                                               drawSpider,  drawSkeleton, drawEye,    drawGolem,
                                               drawSerpent, drawDrake};
    Canvas canvas;
    Random random(0x5EED0000u + static_cast<std::uint32_t>(n));
    if (n >= kFirstBoss)
        drawBoss(canvas, n - kFirstBoss, random);
    else
        kFamilies[n / 5](canvas, n % 5, random);
    return canvas.finish();
}

std::vector<std::uint8_t> spriteFileBytes() {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(kMonsterCount) * kSpriteFrameBytes);
    for (int n = 0; n < kMonsterCount; ++n) {
        const SpriteFrame frame = drawMonster(n);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

} // namespace valmor::demo

// The drawing of each creature family. `variant` picks the member of the family
// (0 weakest to 4 strongest); bosses are numbered 0 to 6.
#pragma once

#include "demo/canvas.h"
#include "demo/random.h"

namespace valmor::demo {

// Runs `draw` once as written and once mirrored about x = 45, for symmetric parts.
template <typename Draw> void bothSides(Canvas& canvas, Draw draw) {
    canvas.setMirror(false);
    draw();
    canvas.setMirror(true);
    draw();
    canvas.setMirror(false);
}

void drawSlime(Canvas& canvas, int variant, Random& random);
void drawBat(Canvas& canvas, int variant, Random& random);
void drawGoblin(Canvas& canvas, int variant, Random& random);
void drawWolf(Canvas& canvas, int variant, Random& random);
void drawSpider(Canvas& canvas, int variant, Random& random);
void drawSkeleton(Canvas& canvas, int variant, Random& random);
void drawEye(Canvas& canvas, int variant, Random& random);
void drawGolem(Canvas& canvas, int variant, Random& random);
void drawSerpent(Canvas& canvas, int variant, Random& random);
void drawDrake(Canvas& canvas, int variant, Random& random);
void drawBoss(Canvas& canvas, int boss, Random& random);

} // namespace valmor::demo

// The seven bosses: larger, busier sprites that fill the whole frame.
#include <array>
#include <cmath>

#include "demo/families.h"
#include "demo/parts.h"

namespace valmor::demo {

namespace {

void demonLord(Canvas& c, Random& random) {
    const Paint skin = paint(Ramp::Red, 0.05f);
    bothSides(c, [&] {
        batWing(c, {36, 40}, {2, 9}, 44, 4, paint(Ramp::Purple, -0.25f), paint(Ramp::Red, -0.3f));
    });
    c.curveTube({52, 80}, {86, 96}, {82, 66}, 3.5f, 1, paint(Ramp::Red, -0.1f));
    c.polygon({{82, 68}, {77, 62}, {82, 54}, {87, 62}}, paint(Ramp::Red, -0.1f));
    bothSides(c, [&] {
        c.capsule({39, 70}, 7, {33, 82}, 5, skin);
        c.capsule({33, 82}, 4.5f, {37, 91}, 3.2f, paint(Ramp::Red, -0.1f));
        c.polygon({{32, 90}, {41, 90}, {42, 96}, {31, 96}}, paint(Ramp::Slate, 0.1f));
    });
    c.ellipse({45, 56}, 17, 18, skin);
    bothSides(c, [&] { c.ellipse({38, 48}, 7, 5, detail(Ramp::Red, 0.2f)); });
    for (float y : {58.f, 63.f, 68.f})
        c.capsule({41, y}, 0.5f, {49, y}, 0.5f, flatInk(rampIndex(Ramp::Red, 1)));
    c.polygon({{28, 66}, {62, 66}, {64, 72}, {26, 72}}, paint(Ramp::Slate, 0.1f));
    c.ellipse({45, 69}, 4, 3.5f, paint(Ramp::Gold, 0.2f));
    c.polygon({{34, 72}, {56, 72}, {52, 88}, {45, 84}, {38, 88}}, paint(Ramp::Slate, -0.05f));
    bothSides(c, [&] {
        c.ellipse({28, 43}, 8, 7, skin);
        c.capsule({26, 46}, 6, {19, 64}, 5, skin);
        c.ellipse({18, 68}, 5.5f, 5, skin);
        for (float dx : {-3.f, 0.f, 3.f})
            c.polygon({{18 + dx - 1, 71}, {18 + dx + 1, 71}, {18 + dx, 75}},
                      paint(Ramp::Bone, 0.2f));
    });
    // Trident in the hand on the left of the picture.
    c.capsule({20, 96}, 1.5f, {15, 10}, 1.5f, paint(Ramp::Gold));
    c.polygon({{7, 18}, {23, 14}, {22, 18}, {17, 20}, {9, 22}}, paint(Ramp::Gold, 0.1f));
    for (float dx : {-7.f, 0.f, 7.f})
        c.polygon({{14 + dx - 2, 17 - dx * 0.2f},
                   {14 + dx + 2, 17 - dx * 0.2f},
                   {14 + dx, 2 - dx * 0.2f}},
                  paint(Ramp::Gold, 0.2f));
    c.ellipse({18, 68}, 5.5f, 5, skin);
    // Head with ears and curling horns.
    bothSides(c, [&] {
        c.polygon({{35, 26}, {24, 20}, {35, 32}}, skin);
        horn(c, {38, 19}, {20, 18}, {24, 2}, 4.5f, paint(Ramp::Bone, -0.05f));
    });
    c.beginGroup();
    c.ellipse({45, 26}, 11, 11, skin);
    c.polygon({{35, 28}, {55, 28}, {49, 40}, {45, 42}, {41, 40}}, skin);
    c.endGroup();
    bothSides(c, [&] {
        c.polygon({{37, 23}, {44, 26}, {44, 24}, {36, 20}}, paint(Ramp::Red, -0.5f));
        glowEye(c, {40, 26.5f}, 2.2f, ink::GlowYellow);
    });
    c.polygon({{40, 34}, {50, 34}, {48, 37}, {42, 37}}, flatInk(ink::Mouth));
    teeth(c, {40.5f, 34}, {43.5f, 34}, 1, 3.5f);
    teeth(c, {46.5f, 34}, {49.5f, 34}, 1, 3.5f);
    for (int i = 0; i < 3; ++i)
        flame(c, {35 + 10 * static_cast<float>(i) + random.real(-1, 1), 97}, 9, 10);
}

void lichKing(Canvas& c, Random& random) {
    const Paint bone = paint(Ramp::Bone, 0.05f);
    const Paint robe = paint(Ramp::Purple, -0.05f);
    for (int i = 0; i < 5; ++i) {
        const float x = random.real(8, 82);
        c.ellipse({x, random.real(30, 80)}, 1.2f, 1.2f, flatInk(ink::GlowGreen));
    }
    // High spiked collar behind the head.
    c.polygon({{22, 44},
               {20, 18},
               {28, 28},
               {32, 10},
               {38, 26},
               {45, 20},
               {52, 26},
               {58, 10},
               {62, 28},
               {70, 18},
               {68, 44}},
              paint(Ramp::Purple, -0.3f));
    c.polygon({{28, 36}, {62, 36}, {82, 97}, {8, 97}}, robe);
    c.polygon({{8, 97}, {82, 97}, {80, 90}, {10, 90}}, paint(Ramp::Gold, 0.05f));
    c.polygon({{41, 40}, {49, 40}, {52, 90}, {38, 90}}, paint(Ramp::Gold, 0.0f));
    c.polygon({{43, 42}, {47, 42}, {49, 88}, {41, 88}}, detail(Ramp::Purple, 0.25f));
    for (int i = 0; i < 4; ++i) {
        const float x = 20 + 17 * static_cast<float>(i);
        c.capsule({x, 60}, 0.5f, {x + (x < 45 ? -4.f : 4.f), 88}, 0.5f,
                  flatInk(rampIndex(Ramp::Purple, 2)));
    }
    // Sleeves and skeletal hands; staff on the left, a spell on the right.
    c.capsule({16, 96}, 1.6f, {14, 18}, 1.8f, paint(Ramp::Slate, 0.1f));
    c.ellipse({14, 14}, 5, 6, paint(Ramp::Bone, 0.1f));
    c.ellipse({12, 13}, 1.5f, 1.8f, flatInk(ink::Pupil));
    c.ellipse({16, 13}, 1.5f, 1.8f, flatInk(ink::Pupil));
    c.ellipse({14, 5}, 4, 4, flatInk(ink::GlowGreen));
    c.dot({13, 4}, ink::White, 1.5f);
    bothSides(c, [&] {
        c.polygon({{30, 38}, {22, 60}, {14, 66}, {26, 68}, {36, 48}}, paint(Ramp::Purple, 0.05f));
        c.capsule({18, 64}, 2.2f, {15, 58}, 1.6f, bone);
        for (float dx : {-2.f, 0.f, 2.f})
            c.capsule({15 + dx, 58}, 0.8f, {14 + dx, 53}, 0.6f, bone);
    });
    c.ellipse({76, 52}, 6, 6, flatInk(ink::GlowMagenta));
    c.ellipse({76, 52}, 3, 3, flatInk(ink::White));
    // Amulet, skull and crown.
    c.ellipse({45, 44}, 4.5f, 4.5f, paint(Ramp::Gold, 0.1f));
    c.ellipse({45, 44}, 2.2f, 2.2f, flatInk(ink::GlowRed));
    c.ellipse({45, 24}, 11, 11.5f, bone);
    c.polygon({{37, 29}, {53, 29}, {51, 37}, {39, 37}}, bone);
    for (int i = 0; i < 5; ++i)
        c.capsule({40 + 2.5f * static_cast<float>(i), 31}, 0.4f,
                  {40 + 2.5f * static_cast<float>(i), 35}, 0.4f, flatInk(ink::Outline));
    c.ellipse({40, 25}, 3.4f, 3.8f, flatInk(ink::Pupil));
    c.ellipse({50, 25}, 3.4f, 3.8f, flatInk(ink::Pupil));
    c.polygon({{45, 28}, {43.3f, 32}, {46.7f, 32}}, flatInk(ink::Pupil));
    glowEye(c, {40, 25.5f}, 1.8f, ink::GlowCyan);
    glowEye(c, {50, 25.5f}, 1.8f, ink::GlowCyan);
    crown(c, {33, 18}, {57, 18}, 13, 4, ink::GlowRed);
}

void wyrmKing(Canvas& c, Random& random) {
    const Paint hide = paint(Ramp::Red);
    Paint scaled = hide;
    scaled.bands = 3;
    bothSides(c, [&] {
        batWing(c, {34, 42}, {2, 9 + random.real(0, 3)}, 38, 4, paint(Ramp::Orange, -0.3f),
                paint(Ramp::Red, -0.2f));
    });
    c.curveTube({56, 84}, {88, 98}, {84, 72}, 7, 1, scaled);
    c.polygon({{80, 74}, {86, 64}, {88, 76}}, paint(Ramp::Bone, 0.1f));
    bothSides(c, [&] {
        c.ellipse({31, 80}, 10, 12, hide);
        c.polygon({{22, 90}, {36, 90}, {38, 97}, {20, 97}}, paint(Ramp::Red, 0.05f));
        for (float dx : {0.f, 5.f, 10.f})
            c.polygon({{21 + dx, 96}, {25 + dx, 96}, {22 + dx, 99}}, paint(Ramp::Bone, 0.2f));
    });
    c.ellipse({45, 66}, 17, 21, hide);
    Paint belly = paint(Ramp::Gold, 0.05f);
    belly.bands = 3;
    c.capsule({45, 52}, 8, {45, 82}, 9, belly);
    bothSides(c, [&] {
        c.curveTube({32, 58}, {26, 68}, {30, 76}, 5, 3.5f, hide);
        for (float dx : {-2.f, 1.5f})
            c.polygon({{29 + dx, 76}, {32 + dx, 76}, {30 + dx, 80}}, paint(Ramp::Bone, 0.2f));
    });
    c.capsule({45, 52}, 10, {45, 34}, 8, scaled);
    c.capsule({45, 52}, 5, {45, 36}, 4, detail(Ramp::Gold, 0.1f));
    // Head seen from the front, with a crest of horns.
    bothSides(c, [&] {
        horn(c, {37, 18}, {26, 12}, {22, 0}, 3.5f, paint(Ramp::Bone));
        horn(c, {41, 15}, {36, 8}, {36, 1}, 2.5f, paint(Ramp::Bone, 0.1f));
        c.polygon({{35, 24}, {22, 26}, {34, 30}}, hide);
    });
    c.beginGroup();
    c.ellipse({45, 22}, 12, 10, hide);
    c.ellipse({45, 31}, 8.5f, 8, hide);
    c.endGroup();
    c.ellipse({45, 36}, 6.5f, 3.5f, flatInk(ink::Mouth));
    teeth(c, {39, 34.5f}, {51, 34.5f}, 4, 2.5f);
    flame(c, {45, 40}, 6, 5);
    c.dot({42.5f, 29}, ink::Pupil, 0.8f);
    c.dot({47.5f, 29}, ink::Pupil, 0.8f);
    bothSides(c, [&] {
        c.polygon({{35, 18}, {43, 21}, {43, 19}, {36, 15}}, paint(Ramp::Red, -0.5f));
        glowEye(c, {39, 21.5f}, 2.4f, ink::GlowYellow);
    });
    crown(c, {38, 12}, {52, 12}, 7, 3, ink::GlowCyan);
}

void hydra(Canvas& c, Random& random) {
    Paint skin = paint(Ramp::Teal);
    skin.bands = 3;
    c.curveTube({64, 84}, {92, 94}, {86, 66}, 8, 1, skin);
    c.ellipse({45, 80}, 33, 15, paint(Ramp::Teal));
    c.ellipse({45, 86}, 20, 7, detail(Ramp::Gold, -0.05f));
    bothSides(c, [&] {
        c.capsule({26, 86}, 6, {24, 94}, 5, paint(Ramp::Teal, -0.05f));
        for (float dx : {-3.f, 0.f, 3.f})
            c.polygon({{23 + dx, 96}, {26 + dx, 96}, {24.5f + dx, 99}}, paint(Ramp::Bone, 0.2f));
    });
    // Five necks fanning out, outermost first, each ending in a head that faces outward
    // (the middle one faces the viewer).
    constexpr std::array<Vec, 5> kHead{{{16, 46}, {74, 46}, {20, 20}, {70, 20}, {45, 11}}};
    constexpr std::array<float, 5> kBase{32, 58, 38, 52, 45};
    for (std::size_t i = 0; i < 5; ++i) {
        const Vec head = kHead[i];
        const float dir = head.x < 44 ? -1.f : (head.x > 46 ? 1.f : 0.f);
        const float wobble = random.real(-3, 3);
        c.curveTube({kBase[i], 74}, {kBase[i] - dir * 6 + wobble, 54},
                    {head.x - dir * 2, head.y + 26}, {head.x - dir * 2, head.y + 5}, 5, 4, skin);
        const Paint headPaint = paint(Ramp::Teal, 0.08f);
        horn(c, {head.x - dir * 3 - 2, head.y - 4}, {head.x - dir * 7 - 4, head.y - 9},
             {head.x - dir * 10 - 6, head.y - 9}, 1.8f, paint(Ramp::Bone));
        if (dir == 0)
            horn(c, {head.x + 2, head.y - 4}, {head.x + 4, head.y - 9}, {head.x + 6, head.y - 10},
                 1.8f, paint(Ramp::Bone));
        c.beginGroup();
        c.ellipse(head, 7.5f, 6.5f, headPaint);
        if (dir == 0)
            c.ellipse({head.x, head.y + 5}, 5.5f, 4.5f, headPaint);
        else
            c.capsule({head.x + dir * 3, head.y + 1}, 5, {head.x + dir * 11, head.y + 2}, 3.5f,
                      headPaint);
        c.endGroup();
        if (dir == 0) {
            glowEye(c, {head.x - 3, head.y - 1}, 1.7f, ink::GlowYellow);
            glowEye(c, {head.x + 3, head.y - 1}, 1.7f, ink::GlowYellow);
            c.ellipse({head.x, head.y + 7}, 3.5f, 1.8f, flatInk(ink::Mouth));
            teeth(c, {head.x - 3, head.y + 6}, {head.x + 3, head.y + 6}, 2, 1.5f);
        } else {
            glowEye(c, {head.x + dir * 2, head.y - 2}, 1.8f, ink::GlowYellow);
            c.dot({head.x + dir * 13.5f, head.y}, ink::Pupil, 0.6f);
            // An open jaw below the snout.
            c.capsule({head.x + dir * 3, head.y + 7}, 2.5f, {head.x + dir * 10, head.y + 9}, 1.8f,
                      paint(Ramp::Teal, -0.05f));
            c.polygon({{head.x + dir * 4, head.y + 4.5f},
                       {head.x + dir * 14, head.y + 4},
                       {head.x + dir * 11, head.y + 7.5f},
                       {head.x + dir * 4, head.y + 6.5f}},
                      flatInk(ink::Mouth));
            teeth(c, {head.x + dir * 6, head.y + 4.5f}, {head.x + dir * 13, head.y + 4.5f}, 3,
                  1.6f);
        }
    }
}

void giantKing(Canvas& c, Random&) {
    const Paint skin = paint(Ramp::Skin);
    c.polygon({{22, 34}, {68, 34}, {82, 97}, {8, 97}}, paint(Ramp::Brown, -0.15f));
    bothSides(c, [&] {
        c.capsule({38, 70}, 7, {36, 86}, 6, paint(Ramp::Tan, -0.1f));
        c.polygon({{27, 84}, {43, 84}, {44, 97}, {25, 97}}, paint(Ramp::Brown, 0.05f));
    });
    c.polygon({{29, 38}, {61, 38}, {64, 80}, {26, 80}}, paint(Ramp::Red, -0.05f));
    c.polygon({{26, 68}, {64, 68}, {64, 73}, {26, 73}}, paint(Ramp::Brown, -0.2f));
    c.polygon({{41, 66}, {49, 66}, {49, 75}, {41, 75}}, paint(Ramp::Gold, 0.15f));
    bothSides(c, [&] {
        c.ellipse({28, 40}, 10, 8, paint(Ramp::Bone, -0.1f));
        c.capsule({24, 44}, 7, {17, 66}, 6, skin);
        c.capsule({18, 58}, 6.5f, {17, 66}, 6.5f, paint(Ramp::Gold, 0.05f));
        c.ellipse({16, 71}, 6.5f, 6, skin);
    });
    // War hammer.
    c.capsule({17, 92}, 2, {15, 26}, 2, paint(Ramp::Brown));
    c.polygon({{4, 14}, {26, 14}, {26, 30}, {4, 30}}, paint(Ramp::Grey, 0.05f));
    c.polygon({{4, 20}, {26, 20}, {26, 23}, {4, 23}}, detail(Ramp::Gold, 0.1f));
    c.ellipse({16, 71}, 6.5f, 6, skin);
    // Head, beard and crown.
    bothSides(c, [&] { c.ellipse({33, 24}, 3, 4.5f, skin); });
    c.ellipse({45, 24}, 12, 13, skin);
    c.polygon({{32, 26}, {58, 26}, {58, 40}, {52, 56}, {45, 62}, {38, 56}, {32, 40}},
              paint(Ramp::Grey, 0.15f));
    for (int i = 0; i < 4; ++i) {
        const float x = 38 + 4.6f * static_cast<float>(i);
        c.capsule({x, 40}, 0.5f, {x + (x < 45 ? 1.f : -1.f), 54}, 0.5f,
                  flatInk(rampIndex(Ramp::Grey, 5)));
    }
    c.ellipse({45, 31}, 5, 2.5f, flatInk(ink::Mouth));
    bothSides(c, [&] {
        c.capsule({44, 29}, 2.2f, {35, 33}, 1.6f, paint(Ramp::Grey, 0.2f));
        c.ellipse({40, 21}, 2.2f, 1.8f, paint(Ramp::Bone, 0.3f));
        c.ellipse({40.5f, 21}, 1.2f, 1.4f, flatInk(rampIndex(Ramp::Blue, 4)));
        c.capsule({36, 17}, 1.6f, {43, 18}, 1.6f, paint(Ramp::Grey, 0.1f));
    });
    c.ellipse({45, 25}, 3, 3.5f, paint(Ramp::Skin, 0.1f));
    crown(c, {32, 14}, {58, 14}, 13, 4, ink::GlowCyan);
}

void eyeTyrant(Canvas& c, Random& random) {
    const Paint body = paint(Ramp::Purple);
    for (int i = 0; i < 8; ++i) {
        const float a = 3.5f + 2.4f * static_cast<float>(i) / 7.f;
        const Vec base{45 + 24 * std::cos(a), 54 + 24 * std::sin(a)};
        const float reach = 40 + random.real(-3, 2);
        const Vec tip{45 + reach * std::cos(a), 52 + reach * 1.1f * std::sin(a)};
        const Vec bend{(base.x + tip.x) / 2 + random.real(-5, 5), (base.y + tip.y) / 2 - 4};
        Paint stalk = paint(Ramp::Purple, -0.1f);
        stalk.bands = 3;
        c.curveTube(base, bend, tip, 3.5f, 2.2f, stalk);
        eye(c, tip, 4.5f, Ramp::Gold, Pupil::Slit, {random.real(-0.8f, 0.8f), 0.3f});
    }
    c.ellipse({45, 56}, 32, 30, body);
    for (int i = 0; i < 8; ++i) {
        const float r = random.real(1.5f, 3.5f);
        c.ellipse({random.real(20, 70), random.real(36, 80)}, r, r, detail(Ramp::Pink, -0.2f));
    }
    c.polygon({{28, 70}, {62, 70}, {56, 84}, {34, 84}}, flatInk(ink::Mouth));
    teeth(c, {28, 70}, {62, 70}, 9, 5);
    teeth(c, {34, 84}, {56, 84}, 6, 5, true);
    c.ellipse({45, 70}, 3, 2.5f, flatInk(ink::Tongue));
    c.ellipse({45, 50}, 19, 15, paint(Ramp::Purple, -0.4f));
    eye(c, {45, 50}, 16, Ramp::Red, Pupil::Slit, {0, 0.2f});
    c.polygon({{27, 47}, {34, 37}, {45, 34}, {56, 37}, {63, 47}, {56, 41}, {45, 39}, {34, 41}},
              paint(Ramp::Purple, 0.15f));
    bothSides(c, [&] { horn(c, {28, 32}, {22, 24}, {26, 14}, 3.2f, paint(Ramp::Bone)); });
    crown(c, {36, 28}, {54, 28}, 10, 3, ink::GlowGreen);
}

void voidKing(Canvas& c, Random&) {
    const Paint armour = paint(Ramp::Slate, 0.1f);
    const std::uint8_t pale = rampIndex(Ramp::Pink, 12);
    const Paint gold = paint(Ramp::Gold, 0.05f);
    bothSides(c, [&] {
        batWing(c, {38, 36}, {2, 8}, 40, 4, paint(Ramp::Purple, -0.35f), paint(Ramp::Slate, 0.0f));
    });
    c.polygon({{28, 36}, {62, 36}, {76, 97}, {14, 97}}, paint(Ramp::Red, -0.15f));
    for (int i = 0; i < 5; ++i)
        flame(c, {16 + 14.5f * static_cast<float>(i), 98}, 10, 12, ink::GlowMagenta, pale,
              ink::White);
    bothSides(c, [&] {
        c.capsule({39, 68}, 6.5f, {37, 88}, 5.5f, armour);
        c.ellipse({38, 79}, 4.5f, 4, gold);
        c.polygon({{30, 88}, {43, 88}, {44, 96}, {28, 96}}, armour);
    });
    c.polygon({{29, 38}, {61, 38}, {58, 66}, {45, 72}, {32, 66}}, armour);
    c.polygon({{38, 42}, {52, 42}, {50, 58}, {45, 62}, {40, 58}}, detail(Ramp::Slate, 0.3f));
    c.ellipse({45, 50}, 4, 4, flatInk(ink::GlowMagenta));
    c.polygon({{28, 64}, {62, 64}, {62, 69}, {28, 69}}, gold);
    bothSides(c, [&] {
        c.capsule({27, 46}, 6, {20, 64}, 5, armour);
        c.ellipse({19, 68}, 5, 5, paint(Ramp::Slate, 0.2f));
        c.ellipse({28, 42}, 10, 8, armour);
        c.polygon({{19, 40}, {23, 28}, {26, 38}}, gold);
        c.polygon({{26, 37}, {31, 26}, {33, 36}}, gold);
    });
    // A long blade wreathed in violet fire.
    sword(c, {19, 68}, {6, 4}, 6, Ramp::Purple, Ramp::Gold);
    for (int i = 0; i < 3; ++i) {
        const float t = 0.35f + 0.22f * static_cast<float>(i);
        flame(c, {19 - 13 * t, 68 - 64 * t + 4}, 7, 11, ink::GlowMagenta, pale, ink::White);
    }
    c.ellipse({19, 68}, 5, 5, paint(Ramp::Slate, 0.2f));
    // Helm with horns and crown.
    bothSides(c, [&] { horn(c, {36, 20}, {20, 16}, {18, 0}, 4.5f, paint(Ramp::Slate, 0.2f)); });
    c.ellipse({45, 24}, 12, 13, armour);
    c.polygon({{37, 23}, {53, 23}, {51, 27}, {39, 27}}, flatInk(ink::Pupil));
    glowEye(c, {41, 25}, 1.6f, ink::GlowMagenta);
    glowEye(c, {49, 25}, 1.6f, ink::GlowMagenta);
    c.capsule({45, 28}, 1.2f, {45, 36}, 1.2f, detail(Ramp::Slate, -0.2f));
    crown(c, {33, 15}, {57, 15}, 12, 4, ink::GlowMagenta);
}

} // namespace

void drawBoss(Canvas& c, int boss, Random& random) {
    using DrawBoss = void (*)(Canvas&, Random&);
    static constexpr DrawBoss kBosses[] = {demonLord, lichKing,  wyrmKing, hydra,
                                           giantKing, eyeTyrant, voidKing};
    c.setTransform(0.96f, {45, 50});
    kBosses[boss](c, random);
}

} // namespace valmor::demo

// Skeletons, floating eyes, golems, serpents and drakes.
#include <array>
#include <cmath>

#include "demo/families.h"
#include "demo/parts.h"

namespace valmor::demo {

namespace {

constexpr Vec kGround{45, 97};

// Points on an elliptic arc from angle a0 to a1 (radians, y down).
template <std::size_t N> std::array<Vec, N> arc(Vec c, float rx, float ry, float a0, float a1) {
    std::array<Vec, N> points;
    for (std::size_t i = 0; i < N; ++i) {
        const float a = a0 + (a1 - a0) * static_cast<float>(i) / static_cast<float>(N - 1);
        points[i] = {c.x + rx * std::cos(a), c.y + ry * std::sin(a)};
    }
    return points;
}

void boneLimb(Canvas& c, Vec a, Vec b, Vec d, const Paint& bone) {
    c.capsule(a, 2.2f, b, 1.8f, bone);
    c.ellipse(b, 2.8f, 2.8f, bone);
    c.capsule(b, 1.8f, d, 1.5f, bone);
}

} // namespace

void drawSkeleton(Canvas& c, int v, Random& random) {
    const Ramp boneRamp = v == 3 ? Ramp::Grey : Ramp::Bone;
    const Paint bone = paint(boneRamp, 0.05f);
    c.setTransform(0.98f + 0.01f * static_cast<float>(v), kGround);
    const std::uint8_t glow =
        v == 2 ? ink::GlowGreen
               : (v == 4 ? ink::GlowRed : (v == 3 ? ink::GlowMagenta : ink::GlowCyan));
    if (v == 4) // a cape behind everything
        c.polygon({{30, 40}, {60, 40}, {74, 94}, {62, 90}, {52, 95}, {40, 90}, {28, 95}, {16, 92}},
                  paint(Ramp::Red, -0.1f));
    if (v == 2) // a mage's robe
        c.polygon({{32, 40}, {58, 40}, {70, 95}, {20, 95}}, paint(Ramp::Purple, -0.05f));

    // Legs, pelvis, spine and ribs.
    bothSides(c, [&] {
        boneLimb(c, {40, 72}, {38, 84}, {37, 92}, bone);
        c.polygon({{31, 95}, {35, 91}, {40, 91}, {41, 95}}, bone);
    });
    c.ellipse({45, 70}, 10, 5, bone);
    c.ellipse({40, 70}, 2.5f, 2, flatInk(ink::Outline));
    c.ellipse({50, 70}, 2.5f, 2, flatInk(ink::Outline));
    c.beginGroup();
    for (int i = 0; i < 9; ++i)
        c.ellipse({45, 36 + 3.5f * static_cast<float>(i)}, 2.3f, 1.8f, bone);
    c.endGroup();
    bothSides(c, [&] {
        for (int i = 0; i < 4; ++i) {
            const float y = 45 + 4.6f * static_cast<float>(i);
            const float w = 13 - 1.5f * static_cast<float>(i);
            c.curveTube({44, y}, {45 - w * 1.3f, y - 3}, {44 - w * 0.6f, y + 4}, 1.6f, 1.1f, bone);
        }
    });
    if (v == 3) { // black iron breastplate
        c.polygon({{33, 42}, {57, 42}, {55, 60}, {45, 64}, {35, 60}}, paint(Ramp::Slate, 0.05f));
        c.capsule({45, 44}, 0.7f, {45, 61}, 0.7f, detail(Ramp::Slate, 0.4f));
    }
    if (v == 2)
        c.polygon({{33, 43}, {57, 43}, {56, 66}, {34, 66}}, paint(Ramp::Purple, 0.1f));

    // Arms: the right hand (left of the picture) holds the weapon.
    bothSides(c, [&] {
        if (v >= 3)
            c.ellipse({31, 43}, 7, 5, paint(v == 4 ? Ramp::Gold : Ramp::Slate, 0.1f));
        else
            c.ellipse({32, 43}, 3.5f, 3.5f, bone);
        boneLimb(c, {32, 44}, {27, 57}, {24, 68}, bone);
        c.ellipse({23.5f, 70}, 3.2f, 2.6f, bone);
    });
    switch (v) {
    case 0:
        club(c, {24, 71}, {14, 48}, 4, boneRamp);
        break;
    case 1:
        sword(c, {24, 70}, {10, 42}, 5, Ramp::Grey, Ramp::Brown);
        break;
    case 2:
        staff(c, {26, 94}, {22, 28}, Ramp::Slate, ink::GlowGreen, 4);
        break;
    case 3: {
        c.capsule({30, 94}, 1.3f, {18, 20}, 1.5f, paint(Ramp::Brown, -0.1f));
        Paint blade = paint(Ramp::Grey, 0.25f);
        blade.roundness = 0.4f;
        c.polygon({{17, 20}, {20, 24}, {36, 18}, {50, 24}, {44, 14}, {30, 12}}, blade);
        break;
    }
    default:
        sword(c, {24, 70}, {6, 30}, 7, Ramp::Grey, Ramp::Gold);
        break;
    }
    if (v == 1) { // round shield on the other arm
        c.ellipse({66, 62}, 12, 13, paint(Ramp::Brown));
        c.ellipse({66, 62}, 12, 13, detail(Ramp::Brown, 0.1f));
        c.ellipse({66, 62}, 4, 4, paint(Ramp::Grey, 0.3f));
        for (int i = 0; i < 8; ++i) {
            const float a = 0.785f * static_cast<float>(i);
            c.dot({66 + 9.5f * std::cos(a), 62 + 10.5f * std::sin(a)}, rampIndex(Ramp::Grey, 12));
        }
    }

    // Skull.
    if (v == 2)
        c.polygon({{30, 36}, {33, 18}, {45, 7}, {57, 18}, {60, 36}, {54, 26}, {36, 26}},
                  paint(Ramp::Purple, 0.05f));
    c.beginGroup();
    c.ellipse({45, 21}, 11, 11.5f, bone);
    c.endGroup();
    c.polygon({{37, 27}, {53, 27}, {51, 35}, {39, 35}}, bone);
    for (int i = 0; i < 5; ++i)
        c.capsule({40 + 2.5f * static_cast<float>(i), 29}, 0.4f,
                  {40 + 2.5f * static_cast<float>(i), 33}, 0.4f, flatInk(ink::Outline));
    c.ellipse({40, 22}, 3.4f, 3.8f, flatInk(ink::Pupil));
    c.ellipse({50, 22}, 3.4f, 3.8f, flatInk(ink::Pupil));
    c.polygon({{45, 25}, {43.3f, 29}, {46.7f, 29}}, flatInk(ink::Pupil));
    glowEye(c, {40, 22.5f}, 1.5f, glow);
    glowEye(c, {50, 22.5f}, 1.5f, glow);
    if (random.chance(50) && v == 0)
        c.capsule({49, 12}, 0.4f, {52, 17}, 0.4f, flatInk(ink::Outline));
    if (v == 1 || v >= 3) {
        const Ramp helm = v == 4 ? Ramp::Gold : (v == 3 ? Ramp::Slate : Ramp::Grey);
        const auto dome = arc<12>({45, 20}, 12.5f, 11, 3.14159f, 6.28318f);
        c.polygon(dome, paint(helm, 0.1f));
        c.capsule({33, 19}, 1.3f, {57, 19}, 1.3f, paint(helm, -0.1f));
        if (v >= 3)
            bothSides(c, [&] {
                horn(c, {35, 14}, {26, 10}, {24, v == 4 ? 4.f : 6.f}, 3,
                     paint(v == 4 ? Ramp::Bone : Ramp::Grey, 0.1f));
            });
    }
}

void drawEye(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kBody{Ramp::Pink, Ramp::Teal, Ramp::Red, Ramp::Purple,
                                        Ramp::Slate};
    constexpr std::array<Ramp, 5> kIris{Ramp::Green, Ramp::Gold, Ramp::Gold, Ramp::Pink, Ramp::Red};
    const Ramp body = kBody[static_cast<std::size_t>(v)];
    c.setTransform(0.88f + 0.03f * static_cast<float>(v), {45, 50});
    const Vec centre{45, 42};

    if (v == 1)
        bothSides(c, [&] {
            batWing(c, {28, 38}, {2, 14}, 26, 3, paint(Ramp::Slate, -0.05f), paint(body, -0.1f));
        });
    // Tentacles hang below the body.
    const int tentacles = v == 4 ? 6 : 4 + v % 2;
    for (int i = 0; i < tentacles; ++i) {
        const float x = 28 + 34 * static_cast<float>(i) / static_cast<float>(tentacles - 1);
        const float sway = random.real(-10, 10);
        Paint p = paint(body, -0.15f);
        p.bands = 3;
        c.curveTube({x, 62}, {x + sway, 78}, {x - sway * 0.5f, 88}, {x + sway, 96}, 4.5f, 1, p);
    }
    if (v == 4)
        for (int i = 0; i < 10; ++i) {
            const float a = 3.3f + 2.9f * static_cast<float>(i) / 9.f;
            const Vec base{centre.x + 24 * std::cos(a), centre.y + 23 * std::sin(a)};
            const Vec tip{centre.x + 38 * std::cos(a), centre.y + 36 * std::sin(a)};
            const Vec side{-std::sin(a) * 4, std::cos(a) * 4};
            c.polygon({{base.x - side.x, base.y - side.y}, tip, {base.x + side.x, base.y + side.y}},
                      paint(Ramp::Bone, 0.05f));
        }
    if (v == 3) // eyestalks
        for (int i = 0; i < 4; ++i) {
            const float x = 24 + 14 * static_cast<float>(i);
            const Vec tip{x + (x < 45 ? -6.f : 6.f), 6 + (i == 1 || i == 2 ? 0.f : 8.f)};
            c.curveTube({x, 24}, {x, 14}, tip, 3, 2, paint(body));
            eye(c, tip, 4, Ramp::Pink);
        }
    c.ellipse(centre, 28, 27, paint(body));
    for (int i = 0; i < 6; ++i) {
        const float r = random.real(1.5f, 3);
        c.ellipse({random.real(25, 65), random.real(24, 62)}, r, r, detail(body, -0.15f));
    }
    // The great eye with lids.
    const bool mouth = v == 2 || v == 4;
    const Vec eyeAt{45, mouth ? 36.f : 40.f};
    const float eyeR = mouth ? 12 : 14;
    c.ellipse(eyeAt, eyeR + 3, eyeR - 1, paint(body, -0.35f));
    eye(c, eyeAt, eyeR, kIris[static_cast<std::size_t>(v)],
        v == 2 || v == 4 ? Pupil::Slit : Pupil::Round, {random.real(-0.6f, 0.6f), 0.2f});
    const float k = eyeR / 14;
    c.polygon({{45 - 16 * k, eyeAt.y - 2 * k},
               {45 - 10 * k, eyeAt.y - 11 * k},
               {45, eyeAt.y - 14 * k},
               {45 + 10 * k, eyeAt.y - 11 * k},
               {45 + 16 * k, eyeAt.y - 2 * k},
               {45 + 10 * k, eyeAt.y - 7 * k},
               {45, eyeAt.y - 9 * k},
               {45 - 10 * k, eyeAt.y - 7 * k}},
              paint(body, 0.1f));
    if (mouth) {
        c.polygon({{27, 53}, {63, 53}, {56, 67}, {34, 67}}, flatInk(ink::Mouth));
        c.ellipse({45, 64}, 8, 3, flatInk(ink::Tongue));
        teeth(c, {27, 53}, {63, 53}, 8, 5);
        teeth(c, {34, 67}, {56, 67}, 5, 4.5f, true);
    }
}

void drawGolem(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kBody{Ramp::Brown, Ramp::Orange, Ramp::Grey, Ramp::Slate,
                                        Ramp::Teal};
    const Ramp body = kBody[static_cast<std::size_t>(v)];
    const float light = v == 1 ? -0.1f : 0.f;
    Paint rock = paint(body, light);
    rock.roundness = 0.55f;
    c.setTransform(0.9f + 0.025f * static_cast<float>(v), kGround);
    const std::uint8_t glow =
        v == 4 ? ink::GlowMagenta
               : (v == 3 ? ink::GlowCyan : (v == 0 ? ink::GlowYellow : ink::GlowRed));

    bothSides(c, [&] {
        c.polygon({{28, 68}, {42, 68}, {42, 90}, {26, 90}}, rock);
        c.polygon({{24, 88}, {43, 88}, {44, 96}, {22, 96}}, paint(body, light - 0.05f));
    });
    c.polygon({{20, 30}, {70, 30}, {63, 72}, {27, 72}}, rock);
    c.polygon({{30, 36}, {60, 36}, {56, 58}, {34, 58}}, detail(body, light + 0.1f));
    if (v == 3)
        for (float y : {38.f, 56.f})
            for (float x : {33.f, 41.f, 49.f, 57.f})
                c.dot({x, y}, rampIndex(Ramp::Grey, 13), 0.9f);
    if (v == 4 || v == 3) {
        c.ellipse({45, 47}, 6, 6, paint(Ramp::Grey, 0.1f));
        c.ellipse({45, 47}, 3.5f, 3.5f, flatInk(glow));
    }
    // Cracks.
    for (int i = 0; i < 3; ++i) {
        Vec p{random.real(30, 60), random.real(34, 64)};
        for (int k = 0; k < 3; ++k) {
            const Vec q{p.x + random.real(-5, 5), p.y + random.real(2, 6)};
            c.capsule(p, 0.45f, q, 0.45f, flatInk(v == 4 ? glow : rampIndex(body, 1)));
            p = q;
        }
    }
    if (v == 2)
        for (int i = 0; i < 4; ++i)
            c.ellipse({random.real(26, 64), random.real(30, 70)}, random.real(3, 6), 2.5f,
                      detail(Ramp::Moss, -0.15f));
    bothSides(c, [&] {
        c.ellipse({19, 36}, 11, 10, rock);
        c.capsule({17, 44}, 8, {14, 66}, 7, rock);
        c.polygon({{3, 66}, {25, 66}, {26, 84}, {4, 84}}, paint(body, light + 0.05f));
        c.capsule({8, 72}, 0.5f, {21, 72}, 0.5f, flatInk(rampIndex(body, 1)));
        if (v == 4) {
            const Paint crystal = paint(Ramp::Ice, 0.25f);
            c.polygon({{12, 32}, {10, 16}, {17, 28}}, crystal);
            c.polygon({{16, 29}, {20, 10}, {23, 28}}, crystal);
            c.polygon({{22, 30}, {28, 18}, {27, 32}}, crystal);
        }
    });
    c.polygon({{36, 12}, {54, 12}, {56, 30}, {34, 30}}, rock);
    c.polygon({{36, 20}, {43, 22}, {43, 24}, {36, 23}}, flatInk(glow));
    c.polygon({{47, 22}, {54, 20}, {54, 23}, {47, 24}}, flatInk(glow));
    c.capsule({40, 27}, 0.6f, {50, 27}, 0.6f, flatInk(rampIndex(body, 1)));
    if (v == 0)
        for (int i = 0; i < 4; ++i) {
            const float x = random.real(28, 62);
            c.capsule({x, 70}, 1.6f, {x + 0.5f, 76 + random.real(0, 6)}, 1.2f, paint(body, -0.1f));
        }
}

void drawSerpent(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kScales{Ramp::Green, Ramp::Gold, Ramp::Red, Ramp::Teal,
                                          Ramp::Purple};
    const Ramp scales = kScales[static_cast<std::size_t>(v)];
    Paint skin = paint(scales);
    skin.bands = 3.5f;
    Paint back = skin;
    back.light = -0.18f;
    c.setTransform(0.9f + 0.025f * static_cast<float>(v), kGround, {0, -2});
    const float sway = random.real(-4, 4);

    c.curveTube({22, 76}, {8, 72}, {10, 56}, 7, 1.2f, back);
    c.curveTube({72, 76}, {45, 60}, {20, 76}, 8, 8, back);
    if (v == 3)
        c.polygon({{52, 36}, {64, 30}, {62, 44}, {70, 40}, {66, 56}, {56, 58}},
                  paint(Ramp::Blue, 0.1f));
    c.curveTube({76, 82}, {86, 62}, {58, 58}, 9, 8, skin);
    c.curveTube({16, 80}, {45, 98}, {76, 84}, 9, 9, skin);
    c.curveTube({58, 58}, {38 + sway, 52}, {62, 30}, {38, 22}, 8, 6.5f, skin);
    if (v == 1) { // a hood
        c.ellipse({41, 27}, 15, 17, paint(scales, -0.25f), 0.15f);
        c.ellipse({42, 30}, 8, 12, detail(Ramp::Tan, 0.15f), 0.15f);
        for (float y : {22.f, 28.f, 34.f})
            c.capsule({36, y}, 0.5f, {46, y + 1}, 0.5f, flatInk(rampIndex(Ramp::Brown, 3)));
    }
    if (v == 3)
        c.polygon({{34, 10}, {44, 4}, {42, 12}, {50, 10}, {42, 20}}, paint(Ramp::Blue, 0.1f));
    c.beginGroup();
    c.ellipse({32, 20}, 11, 7.5f, paint(scales), -0.15f);
    c.capsule({30, 22}, 5.5f, {18, 24}, 4, paint(scales, 0.05f));
    c.endGroup();
    c.capsule({22, 27}, 0.5f, {30, 26}, 0.5f, flatInk(rampIndex(scales, 1)));
    c.dot({16, 22}, ink::Pupil, 0.8f);
    Paint tongue = flatInk(ink::Tongue);
    c.capsule({15, 26}, 0.8f, {8, 28}, 0.7f, tongue);
    c.capsule({8, 28}, 0.6f, {4, 26}, 0.5f, tongue);
    c.capsule({8, 28}, 0.6f, {4, 31}, 0.5f, tongue);
    if (v == 4) {
        for (int i = 0; i < 4; ++i) {
            const float x = 30 + 4 * static_cast<float>(i);
            c.polygon({{x - 2, 15}, {x + 3, 3 + static_cast<float>(i % 2) * 3}, {x + 2, 15}},
                      paint(Ramp::Red, 0.1f));
        }
        glowEye(c, {28, 17}, 2.6f, ink::GlowRed);
    } else {
        eye(c, {28, 17}, 3.2f, Ramp::Gold, Pupil::Slit, {-0.4f, 0});
        c.polygon({{23, 14}, {33, 13}, {32, 11.5f}}, paint(scales, -0.45f));
    }
    if (v == 2)
        c.polygon({{17, 26}, {22, 26}, {19, 31}}, paint(Ramp::Bone, 0.3f));
}

void drawDrake(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kHide{Ramp::Moss, Ramp::Red, Ramp::Ice, Ramp::Blue, Ramp::Slate};
    constexpr std::array<Ramp, 5> kWing{Ramp::Green, Ramp::Orange, Ramp::Teal, Ramp::Purple,
                                        Ramp::Purple};
    const Ramp hide = kHide[static_cast<std::size_t>(v)];
    const Ramp wingRamp = kWing[static_cast<std::size_t>(v)];
    Paint body = paint(hide);
    Paint scaled = body;
    scaled.bands = 3;
    c.setTransform(0.92f + 0.01f * static_cast<float>(v), kGround);
    const float wingTip = random.real(2, 8);

    const std::array<Vec, 3> farEnds{{{70, 6 + wingTip}, {74, 24}, {66, 40}}};
    dragonWing(c, {50, 46}, {50, 28}, {58, 4 + wingTip * 0.5f}, farEnds, paint(wingRamp, -0.4f),
               paint(hide, -0.35f));
    c.curveTube({62, 72}, {88, 92}, {86, 62}, 8, 1.2f, scaled);
    c.polygon({{82, 66}, {88, 58}, {90, 68}}, paint(Ramp::Bone, 0.1f));
    c.curveTube({52, 74}, {56, 84}, {52, 92}, 5, 3, paint(hide, -0.25f));
    c.ellipse({53, 62}, 18, 14, body, -0.5f);
    c.ellipse({48, 68}, 8, 11, detail(Ramp::Tan, 0.05f), -0.5f);
    c.ellipse({62, 72}, 9, 12, body);
    c.curveTube({63, 80}, {68, 88}, {60, 93}, 5, 3.5f, body);
    c.polygon({{54, 91}, {64, 91}, {66, 96}, {52, 96}}, paint(hide, 0.05f));
    if (v != 0) {
        c.curveTube({42, 62}, {44, 72}, {36, 78}, 4, 3, body);
        c.polygon({{32, 77}, {38, 75}, {37, 82}}, paint(Ramp::Bone, 0.2f));
    }
    c.curveTube({46, 52}, {36, 44}, {28, 30}, 9, 6.5f, body);
    for (int i = 0; i < 6; ++i) {
        const float t = static_cast<float>(i) / 5.f;
        const Vec p{58 - 26 * t, 50 - 26 * t};
        c.polygon({{p.x - 2.5f, p.y + 3}, {p.x + 3.5f, p.y - 6}, {p.x + 3, p.y + 3}},
                  paint(v == 2 ? Ramp::Ice : Ramp::Bone, v == 2 ? 0.25f : -0.05f));
    }
    const std::array<Vec, 4> nearEnds{{{87, 10 + wingTip}, {87, 30}, {82, 46}, {70, 54}}};
    dragonWing(c, {54, 50}, {62, 32}, {70, 2 + wingTip * 0.5f}, nearEnds, paint(wingRamp, -0.1f),
               paint(hide, -0.1f));
    horn(c, {28, 20}, {36, 14}, {42, 6}, 2.6f, paint(Ramp::Bone, 0.05f));
    c.beginGroup();
    c.ellipse({25, 25}, 9, 7, body);
    c.capsule({22, 27}, 5, {8, 30}, 3.6f, body);
    c.endGroup();
    c.capsule({20, 34}, 2.8f, {10, 35}, 2.2f, paint(hide, -0.15f));
    c.polygon({{9, 31.5f}, {22, 31.5f}, {20, 34}, {10, 34.5f}}, flatInk(ink::Mouth));
    teeth(c, {10, 31.5f}, {19, 31.5f}, 4, 2);
    c.dot({7, 28}, ink::Pupil, 0.7f);
    horn(c, {24, 20}, {30, 12}, {32, 4}, 2.2f, paint(Ramp::Bone, 0.15f));
    eye(c, {22, 23}, 2.6f, Ramp::Gold, Pupil::Slit, {-0.4f, 0});
    c.polygon({{17, 20}, {27, 19}, {26, 17.5f}}, paint(hide, -0.45f));
    if (v == 1)
        flame(c, {5, 34}, 8, 14);
    if (v == 3)
        c.polygon({{40, 2}, {34, 12}, {38, 12}, {32, 22}, {42, 10}, {38, 10}, {44, 2}},
                  flatInk(ink::GlowYellow));
}

} // namespace valmor::demo

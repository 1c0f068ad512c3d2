// Slimes, bats, goblins and orcs, wolves and spiders.
#include <array>
#include <cmath>

#include "demo/families.h"
#include "demo/parts.h"

namespace valmor::demo {

namespace {

constexpr Vec kGround{45, 97};

} // namespace

void drawSlime(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kBody{Ramp::Green, Ramp::Blue, Ramp::Red, Ramp::Purple,
                                        Ramp::Gold};
    const Ramp body = kBody[static_cast<std::size_t>(v)];
    c.setTransform(0.84f + 0.04f * static_cast<float>(v), kGround);
    const float lean = random.real(-4, 4);

    // Body: a dome on a wide, flattened base with a drooping tip and a few drips.
    c.beginGroup();
    c.ellipse({45, 84}, 41, 12, paint(body));
    c.ellipse({45, 64}, 35, 29, paint(body));
    c.curveTube({45, 44}, {44, 30}, {49 + lean, 18}, 13, 1.5f, paint(body));
    for (int i = 0; i < 3; ++i)
        c.ellipse({random.real(14, 76), random.real(91, 93)}, random.real(2.5f, 4.5f), 3.2f,
                  paint(body, -0.1f));
    c.endGroup();
    for (int i = 0; i < 2; ++i) {
        const Vec at{random.real(56, 68), random.real(66, 82)};
        const float r = random.real(2, 3.2f);
        c.ellipse(at, r, r, detail(body, 0.25f));
        c.dot({at.x - r * 0.4f, at.y - r * 0.4f}, rampIndex(body, 13));
    }
    c.ellipse({29, 50}, 7, 4, detail(body, 0.55f), -0.7f);
    c.dot({26, 50}, ink::White, 1.2f);

    if (v == 4) { // a metal slime: bumps on its crown
        for (int i = 0; i < 5; ++i) {
            const float x = 24 + 10.5f * static_cast<float>(i);
            const float y = 44 - 8 * std::sin(static_cast<float>(i) * 0.785f);
            c.ellipse({x, y}, 4, 4, paint(body, 0.15f));
        }
    }
    if (v == 2) // a red slime with stubby horns
        bothSides(c, [&] { horn(c, {32, 42}, {26, 34}, {23, 24}, 4, paint(Ramp::Bone)); });

    // Face.
    if (v == 3) {
        glowEye(c, {34, 60}, 4, ink::GlowYellow);
        glowEye(c, {56, 60}, 4, ink::GlowYellow);
        glowEye(c, {45, 50}, 3, ink::GlowYellow);
    } else if (v == 0) {
        bothSides(c, [&] {
            c.ellipse({37, 60}, 3.2f, 5, flatInk(ink::Pupil));
            c.dot({36, 58}, ink::White, 1);
        });
    } else {
        bothSides(c, [&] {
            eye(c, {36, 59}, 6, v == 4 ? Ramp::Red : Ramp::Slate, Pupil::Round, {1, 0.3f});
        });
    }
    if (v == 2) {
        bothSides(c, [&] { c.polygon({{29, 50}, {42, 54}, {41, 51}}, paint(Ramp::Red, -0.5f)); });
        c.ellipse({45, 75}, 12, 6, flatInk(ink::Mouth));
        teeth(c, {35, 72}, {55, 72}, 5, 3.5f);
    } else {
        c.ellipse({45, 72}, 8, 4.5f, flatInk(ink::Mouth));
        c.ellipse({45, 75}, 5, 2, flatInk(ink::Tongue));
    }
}

void drawBat(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kFur{Ramp::Brown, Ramp::Slate, Ramp::Red, Ramp::Ice,
                                       Ramp::Purple};
    constexpr std::array<Ramp, 5> kWing{Ramp::Tan, Ramp::Purple, Ramp::Red, Ramp::Blue, Ramp::Pink};
    const Ramp fur = kFur[static_cast<std::size_t>(v)];
    const Ramp wing = kWing[static_cast<std::size_t>(v)];
    c.setTransform(0.9f + 0.025f * static_cast<float>(v), {45, 50}, {0, 4});
    const float tipY = random.real(12, 26);
    const int fingers = 3 + v % 2;

    bothSides(c, [&] {
        batWing(c, {38, 46}, {3, tipY}, 34, fingers, paint(wing, -0.15f), paint(fur, -0.05f));
    });
    bothSides(c, [&] {
        c.capsule({40, 64}, 2.5f, {38, 76}, 2, paint(fur, -0.1f));
        c.polygon({{35, 75}, {41, 75}, {38, 81}}, paint(Ramp::Bone, -0.1f));
    });
    c.ellipse({45, 54}, 12, 16, paint(fur));
    c.ellipse({45, 58}, 7, 10, detail(fur, 0.2f));
    bothSides(c, [&] {
        c.polygon({{37, 28}, {30 - static_cast<float>(v), 6}, {44, 22}}, paint(fur));
        c.polygon({{37, 25}, {32 - static_cast<float>(v), 11}, {41, 23}},
                  detail(Ramp::Pink, -0.1f));
    });
    c.ellipse({45, 33}, 12, 11, paint(fur));
    if (v == 4)
        bothSides(c, [&] { horn(c, {39, 25}, {36, 18}, {40, 12}, 2.5f, paint(Ramp::Bone)); });
    c.ellipse({45, 38}, 5.5f, 3.8f, paint(fur, 0.2f));
    c.dot({43.5f, 37.5f}, ink::Pupil);
    c.dot({46.5f, 37.5f}, ink::Pupil);
    const std::uint8_t glow = v == 3 ? ink::GlowCyan : (v == 1 ? ink::GlowYellow : ink::GlowRed);
    glowEye(c, {39.5f, 31}, 2.8f, glow);
    glowEye(c, {50.5f, 31}, 2.8f, glow);
    c.ellipse({45, 42.5f}, 5, 2, flatInk(ink::Mouth));
    teeth(c, {41, 41.5f}, {44, 41.5f}, 1, 4);
    teeth(c, {46, 41.5f}, {49, 41.5f}, 1, 4);
}

void drawGoblin(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kSkin{Ramp::Green, Ramp::Orange, Ramp::Green, Ramp::Moss,
                                        Ramp::Moss};
    constexpr std::array<float, 5> kScale{0.9f, 0.97f, 0.94f, 1.0f, 1.04f};
    const Ramp skin = kSkin[static_cast<std::size_t>(v)];
    const bool orc = v >= 3;
    const bool shaman = v == 2;
    const float skinLight = v == 4 ? -0.15f : 0.f;
    c.setTransform(kScale[static_cast<std::size_t>(v)], kGround);
    const float earLength = orc ? 8 : random.real(16, 20);

    // Legs and feet.
    bothSides(c, [&] {
        c.capsule({39, 68}, 6.5f, {36, 88}, 5, paint(skin, skinLight));
        c.ellipse({33, 92}, 8, 4.5f, paint(Ramp::Brown, -0.1f));
    });
    if (shaman)
        c.polygon({{30, 44}, {60, 44}, {68, 92}, {22, 92}}, paint(Ramp::Purple));
    // Torso with belt and loincloth.
    c.ellipse({45, 56}, 17, 18, paint(skin, skinLight));
    if (orc) {
        c.ellipse({45, 52}, 8, 6, detail(skin, skinLight - 0.15f), 0);
        c.polygon({{30, 44}, {60, 44}, {58, 62}, {32, 62}}, paint(Ramp::Brown, 0.05f));
        for (float y : {48.f, 53.f, 58.f})
            c.capsule({33, y}, 0.6f, {57, y}, 0.6f, flatInk(ink::Outline));
    }
    if (shaman)
        c.polygon({{31, 46}, {59, 46}, {57, 80}, {33, 80}}, paint(Ramp::Purple, 0.1f));
    c.polygon({{28, 64}, {62, 64}, {61, 69}, {29, 69}}, paint(Ramp::Brown, -0.2f));
    c.ellipse({45, 66.5f}, 3, 2.5f, paint(Ramp::Gold, 0.1f));
    if (!shaman)
        c.polygon({{36, 69}, {54, 69}, {51, 83}, {45, 80}, {39, 83}}, paint(Ramp::Tan, -0.1f));

    // Arms; the weapon hand is on the left of the picture.
    bothSides(c, [&] {
        if (v == 4)
            c.ellipse({29, 44}, 9, 7, paint(Ramp::Grey, 0.05f));
        c.capsule({29, 46}, 6, {22, 66}, 5, paint(skin, skinLight));
        c.ellipse({21, 70}, 5.5f, 5, paint(skin, skinLight + 0.05f));
        if (v == 4)
            for (float x : {24.f, 29.f, 34.f})
                c.polygon({{x - 2.5f, 40}, {x, 31}, {x + 2.5f, 40}}, paint(Ramp::Grey, 0.2f));
    });
    switch (v) {
    case 0:
        sword(c, {21, 70}, {12, 50}, 4, Ramp::Grey, Ramp::Brown);
        break;
    case 1:
        club(c, {21, 72}, {8, 46}, 6, Ramp::Brown);
        break;
    case 2:
        staff(c, {24, 92}, {20, 26}, Ramp::Brown, ink::GlowGreen, 4.5f);
        break;
    case 3:
        sword(c, {21, 70}, {6, 38}, 6, Ramp::Grey, Ramp::Gold);
        break;
    default:
        club(c, {20, 72}, {14, 34}, 7.5f, Ramp::Brown);
        break;
    }
    if (shaman) // the hand over the staff
        c.ellipse({21, 70}, 5.5f, 5, paint(skin, 0.05f));

    // Head.
    bothSides(c, [&] {
        c.polygon({{34, 27}, {34 - earLength, 20 - earLength * 0.4f}, {33, 35}},
                  paint(skin, skinLight));
        c.polygon({{33, 28}, {36 - earLength, 22 - earLength * 0.35f}, {33, 32}},
                  detail(Ramp::Pink, -0.1f));
    });
    c.beginGroup();
    c.ellipse({45, 28}, 13, 12, paint(skin, skinLight));
    if (orc)
        c.ellipse({45, 35}, 12, 8, paint(skin, skinLight));
    c.endGroup();
    if (shaman) {
        c.polygon({{30, 30}, {32, 16}, {45, 8}, {58, 16}, {60, 30}, {56, 22}, {45, 18}, {34, 22}},
                  paint(Ramp::Purple, 0.15f));
    }
    if (v == 3) { // an iron cap with a nose guard
        std::array<Vec, 12> dome;
        for (std::size_t i = 0; i < dome.size(); ++i) {
            const float a = 3.14159f * static_cast<float>(i) / 11.f;
            dome[i] = {45 - 14.5f * std::cos(a), 24 - 11 * std::sin(a)};
        }
        c.polygon(dome, paint(Ramp::Grey, 0.1f));
        c.capsule({45, 22}, 1.6f, {45, 32}, 1.2f, paint(Ramp::Grey, 0.1f));
    }
    const Ramp iris = orc ? Ramp::Red : Ramp::Gold;
    bothSides(c, [&] {
        eye(c, {39.5f, 27}, 3.4f, iris, Pupil::Round, {0.3f, 0});
        c.polygon({{34, 21.5f}, {43, 24.5f}, {43, 22.5f}, {35, 20}}, paint(skin, -0.45f));
    });
    c.ellipse({45, 32}, 3, 2.4f, paint(skin, skinLight + 0.15f));
    c.ellipse({45, 38}, 6, 2, flatInk(ink::Mouth));
    if (orc)
        bothSides(c, [&] {
            c.polygon({{39, 39}, {42, 39}, {39.5f, 32}}, paint(Ramp::Bone, 0.2f));
        });
    else
        teeth(c, {41, 37}, {49, 37}, 3, 2);
}

void drawWolf(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kFur{Ramp::Tan, Ramp::Grey, Ramp::Slate, Ramp::Ice, Ramp::Red};
    constexpr std::array<float, 5> kScale{0.86f, 0.9f, 0.96f, 0.94f, 0.96f};
    const Ramp fur = kFur[static_cast<std::size_t>(v)];
    const float furLight = v == 4 ? -0.1f : 0.f;
    c.setTransform(kScale[static_cast<std::size_t>(v)], kGround);
    const float tailUp = random.real(-6, 4);

    // Far legs, tail, body, near legs, neck and head, from back to front.
    c.capsule({42, 64}, 5.5f, {41, 92}, 3.3f, paint(fur, furLight - 0.25f));
    c.ellipse({40, 94}, 4, 2.5f, paint(fur, furLight - 0.25f));
    c.curveTube({62, 64}, {66, 80}, {60, 92}, 6, 3, paint(fur, furLight - 0.25f));
    c.ellipse({58, 94}, 4, 2.5f, paint(fur, furLight - 0.25f));
    c.curveTube({76, 52}, {88, 54}, {85, 34 + tailUp}, 6, 2, paint(fur, furLight));
    if (v == 4)
        flame(c, {85, 40 + tailUp}, 9, 16);
    if (v >= 2) // a ridge of spikes along the back
        for (int i = 0; i < 6; ++i) {
            const float x = 30 + 8 * static_cast<float>(i);
            const float y = 46 + 0.2f * std::abs(50 - x) * 0.3f;
            const Ramp spike = v == 3 ? Ramp::Ice : (v == 4 ? Ramp::Orange : Ramp::Grey);
            c.polygon({{x - 3.5f, y + 2}, {x + 2, y - 8}, {x + 3.5f, y + 2}}, paint(spike, 0.2f));
        }
    c.beginGroup();
    c.ellipse({54, 58}, 23, 12.5f, paint(fur, furLight), -0.05f);
    c.ellipse({68, 58}, 12, 13.5f, paint(fur, furLight));
    c.ellipse({34, 56}, 13, 15, paint(fur, furLight));
    c.endGroup();
    c.ellipse({44, 65}, 13, 4.5f, detail(fur, furLight + 0.25f));
    c.capsule({34, 64}, 6.5f, {30, 92}, 3.8f, paint(fur, furLight));
    c.ellipse({28, 94}, 4.5f, 2.5f, paint(fur, furLight));
    c.curveTube({70, 62}, {80, 78}, {73, 92}, 7.5f, 3.5f, paint(fur, furLight));
    c.ellipse({71, 94}, 4.5f, 2.5f, paint(fur, furLight));
    if (v == 4)
        for (int i = 0; i < 4; ++i)
            flame(c, {36 + 9 * static_cast<float>(i), 50}, 9, 12 + 3 * static_cast<float>(i % 2));

    c.polygon({{17, 28}, {19, 14}, {25, 27}}, paint(fur, furLight - 0.25f));
    c.capsule({34, 50}, 10, {24, 38}, 8, paint(fur, furLight));
    c.beginGroup();
    c.ellipse({22, 34}, 10, 9, paint(fur, furLight));
    c.capsule({18, 36}, 6, {6, 39}, 4, paint(fur, furLight + 0.05f));
    c.endGroup();
    c.capsule({17, 44}, 3, {8, 45}, 2.2f, paint(fur, furLight - 0.1f));
    c.polygon({{7, 41}, {18, 41}, {17, 44}, {8, 44.5f}}, flatInk(ink::Mouth));
    teeth(c, {8, 41.5f}, {16, 41.5f}, 3, 2.2f);
    c.ellipse({4.5f, 38}, 2.2f, 1.8f, flatInk(ink::Pupil));
    c.polygon({{23, 28}, {28, 13}, {32, 29}}, paint(fur, furLight));
    c.polygon({{25, 26}, {28, 17}, {30, 27}}, detail(Ramp::Pink, -0.2f));
    const std::uint8_t glow = v == 4 ? ink::GlowRed : (v == 3 ? ink::GlowCyan : ink::GlowYellow);
    glowEye(c, {16.5f, 31.5f}, 2.3f, glow);
    c.polygon({{12, 29}, {21, 29}, {20, 27.5f}}, paint(fur, -0.5f));
}

void drawSpider(Canvas& c, int v, Random& random) {
    constexpr std::array<Ramp, 5> kBody{Ramp::Brown, Ramp::Tan, Ramp::Slate, Ramp::Green,
                                        Ramp::Bone};
    const Ramp body = kBody[static_cast<std::size_t>(v)];
    c.setTransform(0.9f + 0.025f * static_cast<float>(v), {45, 60});
    const bool hairy = v == 1;

    // Legs: four on each side, the rear pairs darker.
    constexpr std::array<Vec, 4> kKnee{{{20, 22}, {12, 38}, {12, 54}, {18, 66}}};
    constexpr std::array<Vec, 4> kFoot{{{6, 50}, {3, 72}, {6, 88}, {18, 96}}};
    bothSides(c, [&] {
        for (std::size_t i = 0; i < 4; ++i) {
            const Vec root{38, 56 + 4 * static_cast<float>(i)};
            Paint leg = paint(body, -0.2f + 0.05f * static_cast<float>(i));
            if (hairy || v == 4)
                leg.bands = 4;
            c.beginGroup();
            c.curveTube(root, {28, kKnee[i].y + 6}, kKnee[i], 3.4f, 2.6f, leg);
            c.curveTube(kKnee[i], {kKnee[i].x - 4, kKnee[i].y + 6}, kFoot[i], 2.6f, 0.8f, leg);
            c.endGroup();
        }
    });
    // Abdomen, markings, head.
    c.ellipse({45, 34}, 24, 22, paint(body));
    switch (v) {
    case 1:
        for (int i = 0; i < 3; ++i)
            c.ellipse({45, 24 + 9 * static_cast<float>(i)}, 18 - 3 * static_cast<float>(i), 2,
                      detail(Ramp::Orange, -0.1f));
        break;
    case 2:
        c.polygon({{39, 22}, {51, 22}, {45, 32}}, detail(Ramp::Red, 0.2f));
        c.polygon({{45, 32}, {39, 42}, {51, 42}}, detail(Ramp::Red, 0.2f));
        break;
    case 3:
        for (int i = 0; i < 5; ++i) {
            const float r = random.real(2, 4);
            c.ellipse({random.real(30, 60), random.real(18, 46)}, r, r, detail(Ramp::Gold, 0.2f));
        }
        break;
    case 4:
        c.ellipse({39, 30}, 4, 5, flatInk(ink::Outline));
        c.ellipse({51, 30}, 4, 5, flatInk(ink::Outline));
        c.polygon({{45, 34}, {43, 39}, {47, 39}}, flatInk(ink::Outline));
        break;
    default:
        c.ellipse({45, 30}, 8, 10, detail(body, 0.25f));
        break;
    }
    if (hairy || v == 4)
        for (int i = 0; i < 14; ++i) {
            const float a = 3.6f + 2.2f * static_cast<float>(i) / 13.f;
            const Vec base{45 + 23 * std::cos(a), 34 + 21 * std::sin(a)};
            c.polygon({{base.x - 1.5f, base.y},
                       {base.x + 1.5f, base.y},
                       {45 + 28 * std::cos(a), 34 + 26 * std::sin(a)}},
                      paint(body, -0.1f));
        }
    c.ellipse({45, 60}, 15, 12, paint(body, 0.05f));
    c.ellipse({45, 71}, 10.5f, 8, paint(body, 0.1f));
    bothSides(c, [&] {
        c.curveTube({40, 75}, {38, 83}, {43, 88}, 2.6f, 0.6f,
                    paint(v == 3 ? Ramp::Green : Ramp::Bone, 0.1f));
    });
    const std::uint8_t glow = v == 3 ? ink::GlowGreen : (v == 4 ? ink::GlowCyan : ink::GlowRed);
    glowEye(c, {41, 69}, 2.6f, glow);
    glowEye(c, {49, 69}, 2.6f, glow);
    glowEye(c, {37, 66}, 1.4f, glow);
    glowEye(c, {53, 66}, 1.4f, glow);
    glowEye(c, {42, 64.5f}, 1.2f, glow);
    glowEye(c, {48, 64.5f}, 1.2f, glow);
    if (v == 3)
        c.ellipse({45, 92}, 1.6f, 2.6f, flatInk(ink::GlowGreen));
}

} // namespace valmor::demo

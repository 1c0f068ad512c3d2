#include "demo/parts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace valmor::demo {

void eye(Canvas& canvas, Vec centre, float r, Ramp iris, Pupil pupil, Vec look) {
    canvas.ellipse(centre, r, r * 0.9f, paint(Ramp::Bone, 0.35f));
    const Vec irisAt{centre.x + look.x * r * 0.35f, centre.y + look.y * r * 0.35f};
    canvas.ellipse(irisAt, r * 0.62f, r * 0.62f, detail(iris, 0.1f));
    if (pupil == Pupil::Slit)
        canvas.ellipse(irisAt, r * 0.16f, r * 0.55f, flatInk(ink::Pupil));
    else
        canvas.ellipse(irisAt, r * 0.3f, r * 0.3f, flatInk(ink::Pupil));
    canvas.dot({irisAt.x - r * 0.3f, irisAt.y - r * 0.3f}, ink::White, r * 0.14f);
}

void glowEye(Canvas& canvas, Vec centre, float r, std::uint8_t glow) {
    canvas.ellipse(centre, r, r * 0.8f, flatInk(glow));
    canvas.dot(centre, ink::White, r * 0.3f);
}

void teeth(Canvas& canvas, Vec left, Vec right, int count, float length, bool up) {
    const float step = 1.0f / static_cast<float>(count);
    for (int i = 0; i < count; ++i) {
        const float t0 = step * static_cast<float>(i);
        const float t1 = t0 + step;
        const Vec a{left.x + (right.x - left.x) * t0, left.y + (right.y - left.y) * t0};
        const Vec b{left.x + (right.x - left.x) * t1, left.y + (right.y - left.y) * t1};
        const Vec tip{(a.x + b.x) / 2, (a.y + b.y) / 2 + (up ? -length : length)};
        canvas.polygon({a, b, tip}, paint(Ramp::Bone, 0.3f));
    }
}

void horn(Canvas& canvas, Vec base, Vec bend, Vec tip, float r, const Paint& paint) {
    Paint p = paint;
    p.bands = r * 0.9f;
    canvas.curveTube(base, bend, tip, r, r * 0.12f, p);
}

void batWing(Canvas& canvas, Vec shoulder, Vec tip, float drop, int fingers, const Paint& membrane,
             const Paint& bone) {
    // The top edge arcs from the shoulder up to the tip; the trailing edge hangs in
    // scallops between the finger ends.
    const Vec elbow{shoulder.x + (tip.x - shoulder.x) * 0.45f,
                    std::min(shoulder.y, tip.y) - std::abs(tip.x - shoulder.x) * 0.18f};
    std::vector<Vec> outline{shoulder, elbow, tip};
    std::vector<Vec> ends;
    for (int i = 1; i <= fingers; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(fingers + 1);
        const Vec end{tip.x + (shoulder.x - tip.x) * t,
                      tip.y + drop * (0.55f + 0.45f * std::sin(t * 3.14159f))};
        ends.push_back(end);
    }
    Vec previous = tip;
    for (const Vec& end : ends) {
        outline.push_back({(previous.x + end.x) / 2, (previous.y + end.y) / 2 - drop * 0.2f});
        outline.push_back(end);
        previous = end;
    }
    const Vec root{shoulder.x, shoulder.y + drop * 0.7f};
    outline.push_back({(previous.x + root.x) / 2, (previous.y + root.y) / 2 - drop * 0.15f});
    outline.push_back(root);
    Paint skin = membrane;
    skin.roundness = 0.35f;
    canvas.polygon(outline, skin);
    canvas.capsule(shoulder, 2.2f, elbow, 1.8f, bone);
    canvas.capsule(elbow, 1.8f, tip, 0.8f, bone);
    for (const Vec& end : ends)
        canvas.capsule(elbow, 1.2f, end, 0.6f, bone);
}

void dragonWing(Canvas& canvas, Vec shoulder, Vec elbow, Vec wrist, std::span<const Vec> ends,
                const Paint& membrane, const Paint& bone) {
    std::vector<Vec> outline{shoulder, elbow, wrist};
    for (std::size_t i = 0; i < ends.size(); ++i) {
        if (i > 0) {
            // The membrane sags towards the wrist between two fingers.
            const Vec a = ends[i - 1];
            const Vec b = ends[i];
            outline.push_back(
                {(a.x + b.x) / 2 * 0.8f + wrist.x * 0.2f, (a.y + b.y) / 2 * 0.8f + wrist.y * 0.2f});
        }
        outline.push_back(ends[i]);
    }
    const Vec last = ends.back();
    outline.push_back({(last.x + shoulder.x) / 2, (last.y + shoulder.y) / 2 - 2});
    Paint skin = membrane;
    skin.roundness = 0.35f;
    canvas.polygon(outline, skin);
    canvas.capsule(shoulder, 2.6f, elbow, 2.2f, bone);
    canvas.capsule(elbow, 2.2f, wrist, 1.6f, bone);
    for (const Vec& end : ends)
        canvas.capsule(wrist, 1.2f, end, 0.6f, bone);
    canvas.polygon(
        {{wrist.x - 1.5f, wrist.y}, {wrist.x + 1.5f, wrist.y}, {wrist.x - 2, wrist.y - 4}},
        paint(Ramp::Bone, 0.2f));
}

void crown(Canvas& canvas, Vec left, Vec right, float height, int points, std::uint8_t gem) {
    std::vector<Vec> shape{{left.x, left.y}, {right.x, right.y}};
    const float band = height * 0.35f;
    shape.push_back({right.x, right.y - band});
    for (int i = points; i >= 0; --i) {
        const float t = static_cast<float>(i) / static_cast<float>(points);
        const float x = left.x + (right.x - left.x) * t;
        const float y = left.y + (right.y - left.y) * t;
        if (i < points)
            shape.push_back({x + (right.x - left.x) / static_cast<float>(points) / 2,
                             y - band - (height - band) * 0.35f});
        shape.push_back({x, y - height});
    }
    shape.push_back({left.x, left.y - band});
    Paint gold = paint(Ramp::Gold, 0.1f);
    gold.roundness = 0.5f;
    canvas.polygon(shape, gold);
    for (int i = 0; i <= points; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(points);
        const Vec p{left.x + (right.x - left.x) * t, left.y + (right.y - left.y) * t - height};
        canvas.dot(p, ink::FireCore, 0.8f);
    }
    const Vec mid{(left.x + right.x) / 2, (left.y + right.y) / 2 - band * 0.5f};
    canvas.ellipse(mid, height * 0.18f, height * 0.16f, flatInk(gem));
    canvas.dot({mid.x - height * 0.05f, mid.y - height * 0.05f}, ink::White, 0.5f);
}

void sword(Canvas& canvas, Vec hilt, Vec tip, float width, Ramp blade, Ramp guard) {
    const float dx = tip.x - hilt.x;
    const float dy = tip.y - hilt.y;
    const float len = std::hypot(dx, dy);
    const float ux = dx / len;
    const float uy = dy / len;
    const float px = -uy * width / 2;
    const float py = ux * width / 2;
    const Vec base{hilt.x + ux * 3, hilt.y + uy * 3};
    const Vec shoulder{tip.x - ux * width, tip.y - uy * width};
    Paint steel = paint(blade, 0.15f);
    steel.roundness = 0.4f;
    canvas.polygon({{base.x + px, base.y + py},
                    {shoulder.x + px, shoulder.y + py},
                    tip,
                    {shoulder.x - px, shoulder.y - py},
                    {base.x - px, base.y - py}},
                   steel);
    canvas.capsule({base.x + px * 2.2f, base.y + py * 2.2f}, 1.3f,
                   {base.x - px * 2.2f, base.y - py * 2.2f}, 1.3f, paint(guard));
    canvas.capsule(base, 1.2f, {hilt.x - ux * 5, hilt.y - uy * 5}, 1.2f, paint(Ramp::Brown));
    canvas.ellipse({hilt.x - ux * 6, hilt.y - uy * 6}, 1.8f, 1.8f, paint(guard));
}

void club(Canvas& canvas, Vec grip, Vec end, float r, Ramp wood) {
    Paint p = paint(wood);
    p.bands = 3;
    canvas.capsule(grip, r * 0.35f, end, r, p);
    const float dx = end.x - grip.x;
    const float dy = end.y - grip.y;
    for (float t : {0.55f, 0.75f, 0.92f}) {
        const Vec at{grip.x + dx * t, grip.y + dy * t};
        canvas.polygon(
            {{at.x - 1.2f, at.y}, {at.x - r * 0.8f - 2.5f, at.y - 1.5f}, {at.x, at.y - 1.4f}},
            paint(Ramp::Grey, 0.2f));
    }
}

void staff(Canvas& canvas, Vec foot, Vec top, Ramp wood, std::uint8_t orb, float orbR) {
    Paint p = paint(wood);
    p.bands = 4;
    canvas.capsule(foot, 1.3f, top, 1.6f, p);
    horn(canvas, {top.x - 1, top.y + 1}, {top.x - orbR * 1.6f, top.y - orbR},
         {top.x - orbR * 0.5f, top.y - orbR * 2.1f}, 1.4f, paint(wood));
    horn(canvas, {top.x + 1, top.y + 1}, {top.x + orbR * 1.6f, top.y - orbR},
         {top.x + orbR * 0.5f, top.y - orbR * 2.1f}, 1.4f, paint(wood));
    canvas.ellipse({top.x, top.y - orbR * 1.1f}, orbR, orbR, flatInk(orb));
    canvas.ellipse({top.x - orbR * 0.25f, top.y - orbR * 1.35f}, orbR * 0.45f, orbR * 0.45f,
                   flatInk(ink::White));
}

void flame(Canvas& canvas, Vec base, float w, float h, std::uint8_t outer, std::uint8_t inner,
           std::uint8_t core) {
    canvas.polygon({{base.x - w / 2, base.y},
                    {base.x - w * 0.45f, base.y - h * 0.45f},
                    {base.x - w * 0.15f, base.y - h * 0.6f},
                    {base.x - w * 0.05f, base.y - h},
                    {base.x + w * 0.2f, base.y - h * 0.55f},
                    {base.x + w * 0.4f, base.y - h * 0.7f},
                    {base.x + w / 2, base.y}},
                   flatInk(outer));
    canvas.polygon({{base.x - w * 0.3f, base.y},
                    {base.x - w * 0.2f, base.y - h * 0.45f},
                    {base.x, base.y - h * 0.7f},
                    {base.x + w * 0.15f, base.y - h * 0.4f},
                    {base.x + w * 0.3f, base.y}},
                   flatInk(inner));
    canvas.ellipse({base.x, base.y - h * 0.15f}, w * 0.15f, h * 0.15f, flatInk(core));
}

} // namespace valmor::demo

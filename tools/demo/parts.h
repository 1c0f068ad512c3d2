// Body parts and gear shared by the creature families: eyes, teeth, horns, wings,
// crowns and weapons, drawn onto a canvas in design coordinates.
#pragma once

#include <cstdint>
#include <span>

#include "demo/canvas.h"

namespace valmor::demo {

enum class Pupil { Round, Slit };

// An eye with white, coloured iris, pupil and a glint; `look` shifts the iris.
void eye(Canvas& canvas, Vec centre, float r, Ramp iris, Pupil pupil = Pupil::Round, Vec look = {});
// A glowing eye: a spot of bright ink with a white core.
void glowEye(Canvas& canvas, Vec centre, float r, std::uint8_t glow);
// A row of `count` teeth hanging from the line left-right (pointing down when up is false).
void teeth(Canvas& canvas, Vec left, Vec right, int count, float length, bool up = false);
// A tapered horn curving through `bend`.
void horn(Canvas& canvas, Vec base, Vec bend, Vec tip, float r, const Paint& paint);
// A bat wing spreading left from the shoulder, with `fingers` bony struts.
void batWing(Canvas& canvas, Vec shoulder, Vec tip, float drop, int fingers, const Paint& membrane,
             const Paint& bone);
// A dragon wing: the arm runs shoulder-elbow-wrist and the fingers fan out from the wrist
// to `ends`, with the membrane stretched between them and back to the body.
void dragonWing(Canvas& canvas, Vec shoulder, Vec elbow, Vec wrist, std::span<const Vec> ends,
                const Paint& membrane, const Paint& bone);
// A crown of `points` spikes on the band from left to right.
void crown(Canvas& canvas, Vec left, Vec right, float height, int points, std::uint8_t gem);
void sword(Canvas& canvas, Vec hilt, Vec tip, float width, Ramp blade, Ramp guard);
void club(Canvas& canvas, Vec grip, Vec end, float r, Ramp wood);
void staff(Canvas& canvas, Vec foot, Vec top, Ramp wood, std::uint8_t orb, float orbR);
// A flame shape rising from base, `h` tall and `w` wide, in three inks from the outside in.
void flame(Canvas& canvas, Vec base, float w, float h, std::uint8_t outer = ink::FireOrange,
           std::uint8_t inner = ink::GlowYellow, std::uint8_t core = ink::FireCore);

} // namespace valmor::demo

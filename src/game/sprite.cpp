#include "game/sprite.h"

#include <cmath>
#include <string>

#include "files/message_text.h"
#include "game/checked_int.h"

namespace valmor {

std::int16_t lastSpriteIndex(std::int64_t fileLength) {
    const double last = std::floor(static_cast<double>(fileLength) / kSpriteFrameBytes) - 1;
    if (last > 32767 || last < -32768)
        throw DataError(ErrorKind::Overflow,
                        std::string(kSpriteFileName) + " (" + std::to_string(fileLength) +
                            " bytes: more frames than the 32768 that sprite numbers reach)");
    return static_cast<std::int16_t>(last);
}

DataError spritesPastEnd(const ByteFile& spriteFile, int first, int last) {
    const std::int64_t length = spriteFile.length();
    const std::int64_t frames = length / kSpriteFrameBytes;
    const std::int64_t rest = length % kSpriteFrameBytes;
    std::string subject = first == last
                              ? "sprite " + std::to_string(first)
                              : "sprites " + std::to_string(first) + " to " + std::to_string(last);
    subject += " (" + escapeForMessage(spriteFile.path().filename().string()) + " holds ";
    if (frames == 0)
        subject += "no whole frame";
    else if (frames == 1)
        subject += "1 whole frame: sprite 0";
    else
        subject +=
            std::to_string(frames) + " whole frames: sprites 0 to " + std::to_string(frames - 1);
    if (rest != 0)
        subject += ", then " + std::to_string(rest) + " of sprite " + std::to_string(frames) +
                   "'s " + std::to_string(kSpriteFrameBytes) + " bytes";
    return DataError(ErrorKind::InputPastEndOfFile, subject + ")");
}

SpriteFrame readSpriteFrame(const ByteFile& spriteFile, std::int16_t n) {
    SpriteFrame frame;
    if (spriteFile.read(std::int64_t{n} * kSpriteFrameBytes + 1, frame) < frame.size())
        throw spritesPastEnd(spriteFile, n, n);
    return frame;
}

} // namespace valmor

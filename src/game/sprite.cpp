#include "game/sprite.h"

#include <cmath>
#include <string>

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

SpriteFrame readSpriteFrame(const ByteFile& spriteFile, std::int16_t n) {
    SpriteFrame frame;
    spriteFile.read(std::int64_t{n} * kSpriteFrameBytes + 1, frame);
    return frame;
}

} // namespace valmor

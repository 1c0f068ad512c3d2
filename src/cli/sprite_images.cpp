#include "cli/sprite_images.h"

#include <cstdio>
#include <limits>
#include <unordered_map>

#include <QBuffer>
#include <QImageReader>

#include "cli/cli_error.h"
#include "cli/png_rows.h"

namespace valmor::cli {

QByteArray encodePng(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw CliError("cannot encode a PNG image");
    return bytes;
}

namespace {

// libpng reads a palette index beyond the image's colour table as index 0 and says so only
// in a warning, which Qt passes to the message handler. Reading watches for that warning.
class PaletteIndexWatch {
public:
    PaletteIndexWatch() {
        seen_ = false;
        previous_ = qInstallMessageHandler(&PaletteIndexWatch::handle);
    }
    ~PaletteIndexWatch() { qInstallMessageHandler(previous_); }
    PaletteIndexWatch(const PaletteIndexWatch&) = delete;
    PaletteIndexWatch& operator=(const PaletteIndexWatch&) = delete;

    bool seen() const { return seen_; }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains(QStringLiteral("palette index exceeding num_palette"))) {
            seen_ = true;
            return;
        }
        if (previous_ != nullptr)
            previous_(type, context, text);
    }

    static inline bool seen_ = false;
    static inline QtMessageHandler previous_ = nullptr;
};

} // namespace

QImage decodePng(const QByteArray& bytes, const std::string& source) {
    const std::string chunks = spritePngChunks(bytes, kSpriteWidth, kSpriteHeight, source);
    QBuffer buffer;
    buffer.setData(chunks.data(), static_cast<qsizetype>(chunks.size()));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    if (format.isEmpty())
        throw CliError(source + ": not an image file; a sprite is imported from a PNG");
    if (format != "png")
        throw CliError(source + ": a " + format.toStdString() +
                       " image; a sprite is imported from a PNG");
    const PaletteIndexWatch watch;
    QImage image = reader.read();
    if (image.isNull())
        throw CliError(source +
                       ": cannot read the PNG image: " + reader.errorString().toStdString());
    if (watch.seen())
        throw CliError(source + ": a pixel uses a colour index that the image's colour table (" +
                       std::to_string(image.colorCount()) + " entries) does not have");
    return image;
}

namespace {

std::string pixelName(int x, int y) {
    return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
}

std::string colourName(QRgb colour) {
    char name[8];
    std::snprintf(name, sizeof name, "#%02X%02X%02X", qRed(colour), qGreen(colour), qBlue(colour));
    return name;
}

// An exported image read back: its colour table is the palette, entry for entry.
bool hasPaletteTable(const QImage& image, const PaletteColours& colours) {
    if (image.format() != QImage::Format_Indexed8)
        return false;
    const QList<QRgb> table = image.colorTable();
    if (table.size() > kPaletteEntries)
        return false;
    for (qsizetype i = 0; i < table.size(); ++i) {
        // Entry 0 is any fully transparent colour.
        if (i == 0 ? qAlpha(table[i]) != 0 : table[i] != colours[static_cast<std::size_t>(i)])
            return false;
    }
    return true;
}

class ColourMatcher {
public:
    explicit ColourMatcher(const PaletteColours& colours) : colours_(colours) {
        // Index 0 stands for transparency only; where entries share a colour, the lowest
        // index wins.
        for (int i = kPaletteEntries - 1; i >= 1; --i)
            exact_[colours[static_cast<std::size_t>(i)]] = static_cast<std::uint8_t>(i);
    }

    int exact(QRgb opaque) const {
        const auto found = exact_.find(opaque);
        return found == exact_.end() ? -1 : found->second;
    }

    std::uint8_t nearest(QRgb colour) {
        const QRgb opaque = colour | 0xFF000000u;
        const auto cached = nearest_.find(opaque);
        if (cached != nearest_.end())
            return cached->second;
        int best = 1;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 1; i < kPaletteEntries; ++i) {
            const QRgb entry = colours_[static_cast<std::size_t>(i)];
            const int dr = qRed(entry) - qRed(opaque);
            const int dg = qGreen(entry) - qGreen(opaque);
            const int db = qBlue(entry) - qBlue(opaque);
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return nearest_[opaque] = static_cast<std::uint8_t>(best);
    }

private:
    const PaletteColours& colours_;
    std::unordered_map<QRgb, std::uint8_t> exact_;
    std::unordered_map<QRgb, std::uint8_t> nearest_;
};

} // namespace

ImportedFrame spriteFrameFromImage(const QImage& image, const PaletteColours& colours, bool nearest,
                                   const std::string& source) {
    if (image.width() != kSpriteWidth || image.height() != kSpriteHeight)
        throw CliError(source + ": the image is " + std::to_string(image.width()) + " x " +
                       std::to_string(image.height()) + " pixels; a sprite is " +
                       std::to_string(kSpriteWidth) + " x " + std::to_string(kSpriteHeight));
    if (image.format() == QImage::Format_Indexed8) {
        const int entries = image.colorCount();
        for (int y = 0; y < kSpriteHeight; ++y) {
            const uchar* line = image.constScanLine(y);
            for (int x = 0; x < kSpriteWidth; ++x) {
                if (line[x] >= entries)
                    throw CliError(source + ": " + pixelName(x, y) + " uses colour index " +
                                   std::to_string(line[x]) +
                                   ", which the image's colour table of " +
                                   std::to_string(entries) + " entries does not have");
            }
        }
    }
    ImportedFrame imported;
    if (hasPaletteTable(image, colours)) {
        for (int y = 0; y < kSpriteHeight; ++y) {
            const uchar* line = image.constScanLine(y);
            std::copy(line, line + kSpriteWidth, imported.frame.begin() + y * kSpriteWidth);
        }
        return imported;
    }
    const QImage pixels = image.convertToFormat(QImage::Format_ARGB32);
    ColourMatcher matcher(colours);
    std::string firstProblem;
    int unmatched = 0;
    for (int y = 0; y < kSpriteHeight; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        for (int x = 0; x < kSpriteWidth; ++x) {
            const QRgb pixel = line[x];
            std::uint8_t& index = imported.frame[static_cast<std::size_t>(y * kSpriteWidth + x)];
            const int alpha = qAlpha(pixel);
            const int exact = alpha == 255 ? matcher.exact(pixel) : -1;
            if (alpha == 0) {
                index = 0;
            } else if (exact >= 0) {
                index = static_cast<std::uint8_t>(exact);
            } else if (nearest) {
                index = alpha < 128 ? 0 : matcher.nearest(pixel);
                ++imported.nearestPixels;
            } else if (unmatched++ == 0) {
                firstProblem = alpha == 255 ? pixelName(x, y) + " has the colour " +
                                                  colourName(pixel) + ", which no palette entry has"
                                            : pixelName(x, y) + " is partly transparent (alpha " +
                                                  std::to_string(alpha) + " of 255)";
            }
        }
    }
    if (unmatched > 0)
        throw CliError(source + ": " + firstProblem + "; " + std::to_string(unmatched) +
                       (unmatched == 1 ? " pixel has" : " pixels have") +
                       " no exact palette colour (--nearest maps them to the nearest)");
    return imported;
}

std::string spriteFileName(int n, int count) {
    const std::size_t width =
        std::max<std::size_t>(3, std::to_string(std::max(count - 1, 0)).size());
    const std::string digits = std::to_string(n);
    return std::string(width - std::min(width, digits.size()), '0') + digits + ".png";
}

} // namespace valmor::cli

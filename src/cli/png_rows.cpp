#include "cli/png_rows.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

#include <zlib.h>

#include "cli/cli_error.h"

namespace valmor::cli {

namespace {

constexpr std::array<unsigned char, 8> kSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t bigEndian(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
           std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]};
}

// The bytes of the rows once inflated: per row a filter byte and the pixels, over the
// seven passes of an interlaced image. Nothing for a header no decoder takes.
std::optional<std::uint64_t> rowBytes(std::uint64_t width, std::uint64_t height, int depth,
                                      int colourType, int interlace) {
    const int channels = colourType == 0   ? 1
                         : colourType == 2 ? 3
                         : colourType == 3 ? 1
                         : colourType == 4 ? 2
                         : colourType == 6 ? 4
                                           : 0;
    if (channels == 0 || depth < 1 || depth > 16 || interlace > 1)
        return std::nullopt;
    const std::uint64_t bits = static_cast<std::uint64_t>(channels) * static_cast<unsigned>(depth);
    const auto pass = [&](std::uint64_t x0, std::uint64_t y0, std::uint64_t dx, std::uint64_t dy) {
        const std::uint64_t columns = width > x0 ? (width - x0 + dx - 1) / dx : 0;
        const std::uint64_t rows = height > y0 ? (height - y0 + dy - 1) / dy : 0;
        return columns == 0 ? 0 : rows * (1 + (columns * bits + 7) / 8);
    };
    if (interlace == 0)
        return pass(0, 0, 1, 1);
    return pass(0, 0, 8, 8) + pass(4, 0, 8, 8) + pass(0, 4, 4, 8) + pass(2, 0, 4, 4) +
           pass(0, 2, 2, 4) + pass(1, 0, 2, 2) + pass(0, 1, 1, 2);
}

// Inflates image data chunk by chunk, counting what comes out and keeping none of it.
class RowsInflater {
public:
    RowsInflater() { ready_ = inflateInit(&stream_) == Z_OK; }
    ~RowsInflater() {
        if (ready_)
            inflateEnd(&stream_);
    }
    RowsInflater(const RowsInflater&) = delete;
    RowsInflater& operator=(const RowsInflater&) = delete;

    // Feeds one chunk of image data; false once the data holds more than `limit` bytes, or
    // goes on after its end.
    bool feed(const unsigned char* data, std::size_t size, std::uint64_t limit) {
        if (!ready_ || size == 0)
            return true;
        if (ended_)
            return false;
        stream_.next_in = const_cast<unsigned char*>(data);
        stream_.avail_in = static_cast<uInt>(size);
        while (stream_.avail_in > 0 && !ended_) {
            stream_.next_out = scratch_.data();
            stream_.avail_out = static_cast<uInt>(scratch_.size());
            const int status = inflate(&stream_, Z_NO_FLUSH);
            inflated_ += scratch_.size() - stream_.avail_out;
            if (inflated_ > limit)
                return false;
            if (status == Z_STREAM_END)
                ended_ = true;
            else if (status != Z_OK)
                return true; // damaged: the decoder says so
        }
        return !ended_ || stream_.avail_in == 0;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
    bool ended_ = false;
    std::uint64_t inflated_ = 0;
    std::array<unsigned char, 16 * 1024> scratch_{};
};

} // namespace

std::string spritePngChunks(std::span<const char> png, int width, int height,
                            const std::string& source) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(png.data());
    if (png.size() < kSignature.size() ||
        std::memcmp(bytes, kSignature.data(), kSignature.size()) != 0)
        return std::string(png.begin(), png.end());
    const auto cutOff = [&] {
        return CliError(source + ": cannot read the PNG image: its chunks are cut off before "
                                 "its end");
    };
    std::string kept(png.begin(), png.begin() + kSignature.size());
    std::optional<std::uint64_t> rows;
    RowsInflater inflater;
    int chunks = 0;
    for (std::size_t at = kSignature.size();;) {
        if (png.size() - at < 12)
            throw cutOff();
        if (++chunks > kMostPngChunks)
            throw CliError(source + ": the PNG has more than " + std::to_string(kMostPngChunks) +
                           " chunks; a sprite's image needs a handful (refused without reading "
                           "the rest)");
        const std::uint32_t length = bigEndian(bytes + at);
        if (length > png.size() - at - 12)
            throw cutOff();
        const unsigned char* type = bytes + at + 4;
        const unsigned char* data = bytes + at + 8;
        const auto is = [&](const char* name) { return std::memcmp(type, name, 4) == 0; };
        if (is("IHDR") && length >= 13 && !rows) {
            const std::uint32_t w = bigEndian(data);
            const std::uint32_t h = bigEndian(data + 4);
            if (w != static_cast<std::uint32_t>(width) || h != static_cast<std::uint32_t>(height))
                throw CliError(source + ": the image is " + std::to_string(w) + " x " +
                               std::to_string(h) + " pixels; a sprite is " + std::to_string(width) +
                               " x " + std::to_string(height));
            rows = rowBytes(w, h, data[8], data[9], data[12]);
            if (!rows)
                throw CliError(source + ": cannot read the PNG image: its header gives a depth, "
                                        "colour type or interlace that PNG does not have");
        } else if (is("IDAT") && !rows) {
            throw CliError(source + ": cannot read the PNG image: its image data comes before "
                                    "its header");
        } else if (is("IDAT") && !inflater.feed(data, length, *rows)) {
            throw CliError(source + ": the image data goes on after its " + std::to_string(height) +
                           " rows; a sprite's PNG ends with its last row (refused without "
                           "reading the rest)");
        }
        // A chunk whose name begins with a capital is one a reader must understand to draw
        // the image: one this reader does not know is refused, never skipped.
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && !is("IHDR") && !is("PLTE") && !is("IDAT") && !is("IEND"))
            throw CliError(source + ": cannot read the PNG image: it holds a chunk " +
                           std::string(reinterpret_cast<const char*>(type), 4) +
                           " that is needed to draw it and that PNG does not have");
        const std::size_t end = at + 12 + length;
        if (is("IHDR") || is("PLTE") || is("tRNS") || is("IDAT") || is("IEND"))
            kept.append(png.begin() + static_cast<std::ptrdiff_t>(at),
                        png.begin() + static_cast<std::ptrdiff_t>(end));
        if (is("IEND"))
            return kept;
        at = end;
    }
}

} // namespace valmor::cli

// Sprite drawing against two yardsticks: the raw limit (one block read plus a table look-up
// per byte, no surface interface) and a naive reader that fetches one byte per pixel.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/sprite.h"

namespace {

using namespace valmor;

constexpr int kFrames = 57;
constexpr int kSprite = 28;

// A preview picture: one 32-bit colour per pixel, points outside are clipped.
struct PixelBuffer {
    static constexpr int kWidth = 470;
    static constexpr int kHeight = 520;
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kWidth * kHeight);

    void setPoint(int x, int y, std::int32_t colour) {
        if (x < 0 || y < 0 || x >= kWidth || y >= kHeight)
            return;
        pixels[static_cast<std::size_t>(y) * kWidth + x] = static_cast<std::uint32_t>(colour);
    }
};

struct Setup {
    std::filesystem::path dir;
    std::filesystem::path spriteFile;
    ColourTable colours{};
};
Setup gSetup;

// A sprite file of 57 frames in a fresh temporary directory, and a colour table from a
// palette of distinct levels. Each frame is shaped like a real sprite: a transparent
// background around an opaque, many-coloured body (an ellipse of its own size).
void createSpriteFile() {
    std::mt19937 random(12345);
    gSetup.dir = std::filesystem::temp_directory_path() /
                 ("valmor-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(gSetup.dir);
    gSetup.spriteFile = gSetup.dir / kSpriteFileName;
    std::vector<char> bytes;
    for (int n = 0; n < kFrames; ++n) {
        const double rx = 25 + n % 20, ry = 30 + n % 19;
        for (int r = 0; r < kSpriteHeight; ++r) {
            for (int c = 0; c < kSpriteWidth; ++c) {
                const double dx = (c - 45) / rx, dy = (r - 50) / ry;
                bytes.push_back(static_cast<char>(dx * dx + dy * dy > 1 ? 0 : 1 + random() % 255));
            }
        }
    }
    std::ofstream(gSetup.spriteFile, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    PaletteLevels levels;
    for (int i = 0; i < kPaletteEntries; ++i) {
        levels.paletteRed[i] = static_cast<std::int16_t>(4 * (i % 64));
        levels.paletteGreen[i] = static_cast<std::int16_t>(4 * ((i / 4) % 64));
        levels.paletteBlue[i] = static_cast<std::int16_t>(4 * (63 - i % 64));
    }
    gSetup.colours = makeColorFromRGB(levels);
}

// What the monster selection does: open the file, draw one sprite, close.
void BM_DrawSprite(benchmark::State& state) {
    PixelBuffer picture;
    for (auto _ : state) {
        const ByteFile sprites(gSetup.spriteFile);
        drawSprite(sprites, kSprite, 0, 0, gSetup.colours, picture);
        benchmark::DoNotOptimize(picture.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSpriteFrameBytes);
}
BENCHMARK(BM_DrawSprite);

// What a preview page does: open once, draw 25 sprites in a 5 x 5 grid.
void BM_DrawPage(benchmark::State& state) {
    PixelBuffer picture;
    for (auto _ : state) {
        const ByteFile sprites(gSetup.spriteFile);
        for (int i = 0; i < 25; ++i)
            drawSprite(sprites, static_cast<std::int16_t>(25 + i), 95 * (i % 5), 105 * (i / 5),
                       gSetup.colours, picture);
        benchmark::DoNotOptimize(picture.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 25 * kSpriteFrameBytes);
}
BENCHMARK(BM_DrawPage);

// (a) The raw limit: open, one 9,000-byte read, close, then a look-up per byte straight into
// the buffer, without the set-point interface or clipping.
void BM_RawLimit(benchmark::State& state) {
    PixelBuffer picture;
    std::uint32_t lookup[256];
    for (int b = 0; b < 256; ++b)
        lookup[b] = static_cast<std::uint32_t>(colourValue(gSetup.colours[b]));
    std::uint8_t frame[kSpriteFrameBytes];
    for (auto _ : state) {
        std::FILE* file = std::fopen(gSetup.spriteFile.c_str(), "rb");
        std::setvbuf(file, nullptr, _IONBF, 0); // one read call for the whole frame
        std::fseek(file, static_cast<long>(kSprite) * kSpriteFrameBytes, SEEK_SET);
        if (std::fread(frame, 1, sizeof frame, file) != sizeof frame)
            state.SkipWithError("short read");
        std::fclose(file);
        const std::uint8_t* pixel = frame;
        for (int r = 0; r < kSpriteHeight; ++r) {
            std::uint32_t* row = &picture.pixels[static_cast<std::size_t>(r) * PixelBuffer::kWidth];
            for (int c = 0; c < kSpriteWidth; ++c, ++pixel) {
                if (*pixel != 0)
                    row[c] = lookup[*pixel];
            }
        }
        benchmark::DoNotOptimize(picture.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSpriteFrameBytes);
}
BENCHMARK(BM_RawLimit);

// (b) The naive reference: one positioned read per pixel through ByteFile.
void BM_NaiveBytePerPixel(benchmark::State& state) {
    PixelBuffer picture;
    for (auto _ : state) {
        const ByteFile sprites(gSetup.spriteFile);
        const std::int64_t base = std::int64_t{kSprite} * kSpriteFrameBytes;
        std::int64_t k = 0;
        for (int r = 0; r < kSpriteHeight; ++r) {
            for (int c = 0; c < kSpriteWidth; ++c) {
                std::uint8_t byte;
                sprites.read(base + ++k, {&byte, 1});
                if (byte != 0)
                    picture.setPoint(c, r, colourValue(gSetup.colours[byte]));
            }
        }
        benchmark::DoNotOptimize(picture.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSpriteFrameBytes);
}
BENCHMARK(BM_NaiveBytePerPixel);

// (b') The same through a buffered C stream: fseek and fread per pixel. Most seeks stay
// inside the stream's buffer, so this is the kindest form of the naive reader.
void BM_NaiveStdioBytePerPixel(benchmark::State& state) {
    PixelBuffer picture;
    for (auto _ : state) {
        std::FILE* file = std::fopen(gSetup.spriteFile.c_str(), "rb");
        long offset = static_cast<long>(kSprite) * kSpriteFrameBytes;
        for (int r = 0; r < kSpriteHeight; ++r) {
            for (int c = 0; c < kSpriteWidth; ++c) {
                std::uint8_t byte = 0;
                std::fseek(file, offset++, SEEK_SET);
                if (std::fread(&byte, 1, 1, file) != 1)
                    state.SkipWithError("short read");
                if (byte != 0)
                    picture.setPoint(c, r, colourValue(gSetup.colours[byte]));
            }
        }
        std::fclose(file);
        benchmark::DoNotOptimize(picture.pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kSpriteFrameBytes);
}
BENCHMARK(BM_NaiveStdioBytePerPixel);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    createSpriteFile();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(gSetup.dir, ignored);
    return 0;
}

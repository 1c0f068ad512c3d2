// A cheap look at a sprite PNG before it is decoded: its header's size, and image data that
// ends with its rows. A PNG's compressed image data may go on for gigabytes after the last
// row (zeros compress a thousandfold), and a decoder inflates all of it; this inflates at
// most the rows. Its compressed text and colour profile chunks (zTXt, iTXt, iCCP) may do the
// same and say nothing about the pixels of a sprite: the decoder is handed the image's
// critical chunks only, and never sees them.
#pragma once

#include <span>
#include <string>

namespace valmor::cli {

// The most chunks a sprite's PNG may have; a 90 x 100 image needs a handful.
inline constexpr int kMostPngChunks = 1024;

// Gives the PNG `png` rebuilt from the chunks that make its pixels (IHDR, PLTE, tRNS, IDAT,
// IEND), copied as they are; every other chunk is left out unread. Bytes that are not a PNG
// are given back as they are, for the decoder to name their format. Throws CliError, naming
// `source`, for a PNG whose header gives another size than `width` x `height`, whose image
// data inflates to more than its rows hold, that has more than kMostPngChunks chunks, or
// whose chunks are cut off before its end.
std::string spritePngChunks(std::span<const char> png, int width, int height,
                            const std::string& source);

} // namespace valmor::cli

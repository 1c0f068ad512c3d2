// A cheap look at a sprite PNG before it is decoded: its header's size, and image data that
// ends with its rows. A PNG's compressed image data may go on for gigabytes after the last
// row (zeros compress a thousandfold), and a decoder inflates all of it; this inflates at
// most the rows.
#pragma once

#include <span>
#include <string>

namespace valmor::cli {

// Throws CliError, naming `source`, for a PNG whose header gives another size than
// `width` x `height`, or whose image data inflates to more than its rows hold. Anything
// else (not a PNG, a damaged one) is left for the decoder to report.
void checkPngRows(std::span<const char> png, int width, int height, const std::string& source);

} // namespace valmor::cli

// The preview pages: up to 25 sprites a page, in a grid of 5 rows of 5 cells.
#pragma once

namespace valmor {

inline constexpr int kPreviewGridSize = 5;

struct PreviewCell {
    int x;
    int y;
};

// The top-left corner, in picture units, of the cell in `row` and `column` (from 0).
constexpr PreviewCell previewCellOrigin(int row, int column) {
    return {95 * column, 105 * row};
}

} // namespace valmor

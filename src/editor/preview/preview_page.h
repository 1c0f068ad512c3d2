// The preview pages: up to 25 sprites a page, in a grid of 5 rows of 5 cells.
#pragma once

namespace valmor {

inline constexpr int kPreviewGridSize = 5;

struct PreviewCell {
    int x;
    int y;
};

// The sprite in the first cell of page 1 to 3.
constexpr int previewFirstSprite(int page) {
    return kPreviewGridSize * kPreviewGridSize * (page - 1);
}

// The top-left corner, in picture units, of the cell in `row` and `column` (from 0).
constexpr PreviewCell previewCellOrigin(int row, int column) {
    return {95 * column, 105 * row};
}

} // namespace valmor

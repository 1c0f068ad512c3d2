// A preview window: one picture showing a page of up to 25 sprites, drawn by the main
// window. It holds nothing but the picture and is deleted when the user closes it.
#pragma once

#include <QWidget>

#include "editor/picture_box.h"

namespace valmor {

class PreviewWindow : public QWidget {
    Q_OBJECT

public:
    // Page 1 to 3: "Monsters 0-24", "Monsters 25-49" or "Game Bosses". Created hidden.
    explicit PreviewWindow(int page, QWidget* parent = nullptr);

    PictureBox* picture() const { return picture_; }

private:
    PictureBox* picture_;
};

} // namespace valmor

#include "editor/preview/preview_window.h"

#include <array>

namespace valmor {

namespace {

struct PageLayout {
    const char* caption;
    const char* pictureDescription; // for screen readers
    QSize client;
    QRect picture;
};

// Client areas and picture rectangles in pixels; each picture starts at (8, 8).
const std::array<PageLayout, 3> kPages{{
    {"Monsters 0-24",
     "The sprites of monsters 0 to 24, five to a row",
     {534, 557},
     {8, 8, 505, 537}},
    {"Monsters 25-49",
     "The sprites of monsters 25 to 49, five to a row",
     {528, 560},
     {8, 8, 513, 545}},
    {"Game Bosses",
     "The sprites of the bosses, monsters 50 to 56, five to a row",
     {526, 224},
     {8, 8, 505, 201}},
}};

} // namespace

PreviewWindow::PreviewWindow(int page, QWidget* parent)
    : QWidget(parent, Qt::Window), picture_(new PictureBox(this)) {
    const PageLayout& layout = kPages.at(static_cast<std::size_t>(page - 1));
    setObjectName(QStringLiteral("frmPictureList%1").arg(page));
    setWindowTitle(QString::fromLatin1(layout.caption));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(layout.client);
    picture_->setObjectName(QStringLiteral("picPictureList%1").arg(page));
    picture_->setGeometry(layout.picture);
    picture_->setAccessibleName(windowTitle());
    picture_->setAccessibleDescription(QString::fromLatin1(layout.pictureDescription));
}

} // namespace valmor

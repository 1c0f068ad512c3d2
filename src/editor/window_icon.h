// The main window's icon, drawn in code: a small green monster.
#pragma once

#include <QIcon>
#include <QImage>

namespace valmor {

QIcon makeWindowIcon();

// The same picture at `size` x `size` pixels, for the desktop's icon files. Needs no
// QGuiApplication.
QImage drawWindowIcon(int size);

} // namespace valmor

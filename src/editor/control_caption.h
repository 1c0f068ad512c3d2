// How messages name a control of a window: by the caption a screen reader gives it.
#pragma once

#include <QString>

#include "files/error.h"

class QWidget;

namespace valmor {

// The name a screen reader gives the control: its caption.
QString captionOf(const QWidget* control);

// `error`, its number and text kept, naming `control` by its caption and the text it holds.
DataError namingControl(const DataError& error, const QWidget& control, const QString& text);

} // namespace valmor

// The fonts the windows are designed in. "MS Sans Serif" is asked for by name; where it
// is missing, Liberation Sans at 96% letter spacing stands in, since it keeps every
// caption within its designed width (DejaVu Sans, fontconfig's default, is ~13% wider).
#pragma once

#include <QFont>

namespace valmor {

inline constexpr const char* kDesignFontFamily = "MS Sans Serif";

// Registers the stand-ins for the design font; call once after the application exists.
void installDesignFontSubstitutes();

QFont designFont(qreal pointSize, bool bold = false);

} // namespace valmor

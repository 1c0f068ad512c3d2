#include "editor/design_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace valmor {

void installDesignFontSubstitutes() {
    if (!QFontDatabase::families().contains(QString::fromLatin1(kDesignFontFamily)))
        QFont::insertSubstitutions(QString::fromLatin1(kDesignFontFamily),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                    QStringLiteral("Helvetica")});
}

QFont designFont(qreal pointSize, bool bold) {
    QFont font(QString::fromLatin1(kDesignFontFamily));
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    if (!QFontDatabase::families().contains(QString::fromLatin1(kDesignFontFamily)))
        font.setLetterSpacing(QFont::PercentageSpacing, 96);
    return font;
}

} // namespace valmor

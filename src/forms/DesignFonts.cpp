#include "forms/DesignFonts.h"

#include <QStringList>

namespace tesselar {

namespace {

constexpr double kDefaultFormFontPoints = 8.25;

}  // namespace

QFont ArialFont(double points, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont DefaultFormFont() {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kDefaultFormFontPoints);
    return font;
}

}  // namespace tesselar

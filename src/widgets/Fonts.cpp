#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QStringList>

void InstallFontSubstitutions() {
    QStringList faces;
    faces << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Noto Sans CJK SC")
          << QStringLiteral("Source Han Sans SC") << QStringLiteral("Droid Sans Fallback");
    QFont::insertSubstitutions(kUiFaceName, faces);
}

QFont MakeCellFont(int cellHeight, bool italic) {
    QFont font(kUiFaceName);
    font.setItalic(italic);
    // A cell height counts ascent and descent; pixel sizes count the em. Take the largest size whose
    // cell still fits, so text sits in its label as it was laid out.
    for (int pixels = cellHeight; pixels > 1; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).height() <= cellHeight)
            return font;
    }
    font.setPixelSize(1);
    return font;
}

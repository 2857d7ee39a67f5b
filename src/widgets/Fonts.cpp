#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QStringList>

void InstallFontSubstitutions() {
    QStringList faces;
    faces << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Noto Sans CJK SC")
          << QStringLiteral("Source Han Sans SC") << QStringLiteral("Droid Sans Fallback");
    QFont::insertSubstitutions(kUiFaceName, faces);
    QFont::insertSubstitutions(kDigitsFaceName,
                               {QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("DejaVu Sans Mono")});
}

QFont MakeCellFont(int cellHeight, bool italic, const QString& face) {
    QFont font(face);
    font.setStyleHint(face == kDigitsFaceName ? QFont::Monospace : QFont::AnyStyle);
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

#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>
#include <tuple>

void InstallFontSubstitutions() {
    QStringList faces;
    faces << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Noto Sans CJK SC")
          << QStringLiteral("Source Han Sans SC") << QStringLiteral("Droid Sans Fallback");
    QFont::insertSubstitutions(kUiFaceName, faces);
    QFont::insertSubstitutions(kDigitsFaceName,
                               {QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("DejaVu Sans Mono")});
}

QFont MakeCellFont(int cellHeight, bool italic, const QString& face) {
    // Asked for again and again by every window's labels: each answer is found once. Finding it
    // loads the face at each size tried, which is what takes the time.
    static std::mutex mutex;
    static std::map<std::tuple<int, bool, QString>, QFont> found;
    const std::lock_guard lock(mutex);
    if (const auto it = found.find({cellHeight, italic, face}); it != found.end())
        return it->second;
    QFont font(face);
    font.setStyleHint(face == kDigitsFaceName ? QFont::Monospace : QFont::AnyStyle);
    font.setItalic(italic);
    // A cell height counts ascent and descent; pixel sizes count the em. Take the largest size whose
    // cell still fits, so text sits in its label as it was laid out. The cell grows with the size:
    // the first size tried is the one the face's proportions point to, then one step at a time.
    const auto fits = [&font, cellHeight](int pixels) {
        font.setPixelSize(pixels);
        return QFontMetrics(font).height() <= cellHeight;
    };
    int pixels = 1;
    if (cellHeight > 1) {
        font.setPixelSize(cellHeight);
        const int full = QFontMetrics(font).height();
        pixels = full <= cellHeight ? cellHeight : std::clamp(cellHeight * cellHeight / std::max(full, 1), 1, cellHeight);
        if (fits(pixels))
            while (pixels < cellHeight && fits(pixels + 1))
                ++pixels;
        else
            while (pixels > 1 && !fits(--pixels)) {
            }
    }
    font.setPixelSize(pixels);
    found.emplace(std::make_tuple(cellHeight, italic, face), font);
    return font;
}

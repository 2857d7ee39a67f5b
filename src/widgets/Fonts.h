// Fonts of the windows. Sizes are given as character cell heights in pixels; the face "微软雅黑" is
// mapped to the Chinese faces installed here.
#pragma once

#include <QFont>
#include <QString>

inline const QString kUiFaceName = QStringLiteral("微软雅黑");
// The same style with digits all of one width, for numbers that change in place (the readout).
inline const QString kDigitsFaceName = QStringLiteral("WenQuanYi Micro Hei Mono");

// Lets the face name "微软雅黑" find the installed Chinese faces. Call once after the application exists.
void InstallFontSubstitutions();

// The face "微软雅黑" (or face) at the largest pixel size whose cell (ascent plus descent) fits cellHeight.
QFont MakeCellFont(int cellHeight, bool italic = false, const QString& face = kUiFaceName);

// Fonts of the windows. Sizes are given as character cell heights in pixels; the face "微软雅黑" is
// mapped to the Chinese faces installed here.
#pragma once

#include <QFont>
#include <QString>

inline const QString kUiFaceName = QStringLiteral("微软雅黑");

// Lets the face name "微软雅黑" find the installed Chinese faces. Call once after the application exists.
void InstallFontSubstitutions();

// The face "微软雅黑" at the largest pixel size whose cell (ascent plus descent) fits cellHeight.
QFont MakeCellFont(int cellHeight, bool italic = false);

// The few system colours the widgets use, fixed to the desktop defaults the art was made for.
#pragma once

#include <QColor>

inline const QColor kSysBtnFace(240, 240, 240);
inline const QColor kSysWindowText(0, 0, 0);
inline const QColor kSysBtnHighlight(255, 255, 255);
inline const QColor kSysBtnShadow(160, 160, 160);
// The labels' text over the windows' dark art.
inline const QColor kLabelWhite(255, 255, 255);
// The gold of the game's art: records, bests, the focus.
inline const QColor kArtGold(0xff, 0xd5, 0x4f);

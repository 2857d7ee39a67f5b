// What a dialog template says: every control's id, kind, rectangle in dialog units and first text. The
// 800 x 600 windows map their template's own size onto 800 x 600 pixels, so each control lies over its
// place in the window's picture.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <span>

enum class ControlKind { PushButton, Static, BlackFrame, Edit };

struct ControlTemplate {
    int id; // -1 for a static nobody addresses
    ControlKind kind;
    QRect rectDu; // x, y, width, height in dialog units
    const char16_t* text;
};

struct DialogTemplate {
    int id;
    QSize sizeDu;
    const char16_t* title;
    const char16_t* fontFace;
    int fontPoints;
    bool fullWindow; // shown frameless at 800 x 600 over a background
    std::span<const ControlTemplate> controls;
};

// The control id within dialog; null when it has no such control.
const ControlTemplate* FindControlTemplate(const DialogTemplate& dialog, int controlId);

inline constexpr QSize kFullWindowSize(800, 600);

// A rectangle in dialog units in pixels. Full windows: scaled so the template fills 800 x 600. Small
// dialogs: by the font's average character size (a quarter of its width, an eighth of its height per
// unit), as dialog units are defined.
QRect DialogUnitsToPixels(const DialogTemplate& dialog, const QRect& rectDu, QSize baseUnits);

#include "platform/DialogTemplate.h"

const ControlTemplate* FindControlTemplate(const DialogTemplate& dialog, int controlId) {
    for (const ControlTemplate& control : dialog.controls)
        if (control.id == controlId)
            return &control;
    return nullptr;
}

QRect DialogUnitsToPixels(const DialogTemplate& dialog, const QRect& rectDu, QSize baseUnits) {
    if (dialog.fullWindow) {
        const int w = dialog.sizeDu.width();
        const int h = dialog.sizeDu.height();
        const int left = rectDu.x() * kFullWindowSize.width() / w;
        const int top = rectDu.y() * kFullWindowSize.height() / h;
        const int right = (rectDu.x() + rectDu.width()) * kFullWindowSize.width() / w;
        const int bottom = (rectDu.y() + rectDu.height()) * kFullWindowSize.height() / h;
        return QRect(left, top, right - left, bottom - top);
    }
    const int bx = baseUnits.width();
    const int by = baseUnits.height();
    const int left = rectDu.x() * bx / 4;
    const int top = rectDu.y() * by / 8;
    return QRect(left, top, (rectDu.x() + rectDu.width()) * bx / 4 - left,
                 (rectDu.y() + rectDu.height()) * by / 8 - top);
}

// A full window drawn over its background: its push buttons are icon buttons and its texts colour
// labels, all transparent, so the picture shows through everywhere.
#pragma once

#include "platform/DialogShell.h"
#include "widgets/ButtonST.h"
#include "widgets/ColorStatic.h"
#include "widgets/Fonts.h"

#include <QPointer>

#include <functional>

class CPictureDialog : public CDialogShell {
public:
    CPictureDialog(int templateId, int backgroundId);

    CButtonST* Button(int id) const { return Control<CButtonST>(id); }
    CColorStatic* Label(int id) const { return Control<CColorStatic>(id); }

protected:
    QWidget* CreateControl(const ControlTemplate& control) override;

    // A transparent icon button with the resource icon, as every window sets its buttons up.
    CButtonST* SetUpButton(int id, int iconId);
    // A transparent label in the face "微软雅黑" at cellHeight pixels, narrowed if need be so that
    // widest, the longest text it will show, fits.
    CColorStatic* SetUpLabel(int id, int cellHeight, bool italic, const QColor& colour,
                             const QString& widest = {}, const QString& face = kUiFaceName);

    // Where the link and game threads cross into the window: job runs on the UI thread, at once when
    // called there, otherwise queued (and dropped if the window is gone by the time it would run).
    // The window's owner joins those threads before the window goes.
    void OnUiThread(std::function<void()> job);

private:
    QPointer<CPictureDialog> m_self{this}; // made on the UI thread; copied by the other threads
};

#include "windows/PictureDialog.h"

#include "platform/UiThread.h"
#include "res/DialogTemplates.h"
#include "res/Resources.h"
#include "widgets/Fonts.h"

CPictureDialog::CPictureDialog(int templateId, int backgroundId)
    : CDialogShell(*FindDialogTemplate(templateId),
                   [backgroundId](QSize size) { return LoadBitmapResource(backgroundId, size); }) {}

void CPictureDialog::OnUiThread(std::function<void()> job) {
    if (!CUiThread::IsAttached() || CUiThread::IsUiThread()) {
        job();
        return;
    }
    CUiThread::Post([self = m_self, job = std::move(job)] {
        if (self)
            job();
    });
}

QWidget* CPictureDialog::CreateControl(const ControlTemplate& control) {
    switch (control.kind) {
    case ControlKind::PushButton:
        return new CButtonST(this);
    case ControlKind::Static:
        return new CColorStatic(this, QString::fromUtf16(control.text));
    case ControlKind::BlackFrame:
    case ControlKind::Edit:
        break;
    }
    return CDialogShell::CreateControl(control);
}

CButtonST* CPictureDialog::SetUpButton(int id, int iconId) {
    CButtonST* button = Button(id);
    button->SetTransparent(true);
    if (iconId != 0)
        button->SetStateIcons(LoadIconResource(iconId));
    return button;
}

CColorStatic* CPictureDialog::SetUpLabel(int id, int cellHeight, bool italic, const QColor& colour,
                                         const QString& widest, const QString& face) {
    CColorStatic* label = Label(id);
    const QFont font = MakeCellFont(cellHeight, italic, face);
    label->SetOwnFont(widest.isEmpty() ? font : NarrowToFit(font, widest, label->TextRoom()));
    label->SetTransparent(true);
    label->SetTextColour(colour);
    return label;
}

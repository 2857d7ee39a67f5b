#include "app/AboutDlg.h"

#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "state/Version.h"

#include <QLabel>

CAboutDlg::CAboutDlg() : CDialogShell(*FindDialogTemplate(IDD_ABOUTBOX)) {}

QWidget* CAboutDlg::CreateControl(const ControlTemplate& control) {
    if (control.id == IDC_STC_VERSION) {
        auto* label = qobject_cast<QLabel*>(CDialogShell::CreateControl(control));
        label->setText(label->text().arg(QString::fromLatin1(kAvilumaVersion)));
        return label;
    }
    if (control.id != IDR_MAINFRAME)
        return CDialogShell::CreateControl(control);
    auto* icon = new QLabel(this);
    icon->setPixmap(IconResourceIcon(IDR_MAINFRAME).pixmap(QSize(40, 40), devicePixelRatioF()));
    return icon;
}

void CAboutDlg::OnCommand(int id) {
    if (id == IDOK)
        EndDialog(QDialog::Accepted);
}

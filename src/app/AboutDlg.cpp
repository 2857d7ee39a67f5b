#include "app/AboutDlg.h"

#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/Resources.h"

#include <QLabel>

CAboutDlg::CAboutDlg() : CDialogShell(*FindDialogTemplate(IDD_ABOUTBOX)) {}

QWidget* CAboutDlg::CreateControl(const ControlTemplate& control) {
    if (control.id != IDR_MAINFRAME)
        return CDialogShell::CreateControl(control);
    auto* icon = new QLabel(this);
    if (const IconHandle image = LoadIconResource(IDR_MAINFRAME))
        icon->setPixmap(
            QPixmap::fromImage(image->scaled(40, 40, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    return icon;
}

void CAboutDlg::OnCommand(int id) {
    if (id == IDOK)
        EndDialog(QDialog::Accepted);
}

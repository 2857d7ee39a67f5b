#include "windows/DlgRecord.h"

#include "platform/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "state/Globals.h"

#include <QLineEdit>

CDlgRecord::CDlgRecord() : CDialogShell(*FindDialogTemplate(IDD_DLG_RECORD)) {}

void CDlgRecord::OnCommand(int id) {
    if (id != IDC_BTN_TAKE_NAME)
        return;
    // Taken as typed: a name of spaces is a name.
    const QString name = static_cast<QLineEdit*>(GetDlgItem(IDC_EDIT_NAME))->text();
    g_strPlayerName.Set(name);
    if (name.isEmpty()) {
        MessageBoxOk(kEmptyNameText);
        return;
    }
    EndDialog(QDialog::Rejected);
}

#include "windows/DlgRecord.h"

#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "state/Globals.h"

#include <QLabel>
#include <QLineEdit>

CDlgRecord::CDlgRecord() : CDialogShell(*FindDialogTemplate(IDD_DLG_RECORD)) {}

void CDlgRecord::OnInitDialog() {
    // No longer than the records keep, so what the player sees typed is what is stored.
    auto* edit = static_cast<QLineEdit*>(GetDlgItem(IDC_EDIT_NAME));
    edit->setMaxLength(kMaxNameLength);
    edit->setAccessibleName(Aviluma::tr("姓名"));
    // The player who is flying, as a start: still the player's to change for this game.
    if (const std::optional<Player> player = CurrentPlayer()) {
        edit->setText(player->name);
        edit->selectAll();
    }
    // Typing goes into the name at once: the caret is in the field, not on the button.
    edit->setFocus(Qt::OtherFocusReason);
    static_cast<QLabel*>(GetDlgItem(IDC_STC_NAME_REASON))->setText(m_strReason);
}

void CDlgRecord::OnCommand(int id) {
    if (id != IDC_BTN_TAKE_NAME)
        return;
    // Taken as typed (a name of spaces is a name), but never with characters that start new lines.
    auto* edit = static_cast<QLineEdit*>(GetDlgItem(IDC_EDIT_NAME));
    const QString name = SafePlayerName(edit->text());
    g_strPlayerName.Set(name);
    if (name.isEmpty()) {
        MessageBoxOk(kEmptyNameText);
        edit->setFocus(Qt::OtherFocusReason); // what the player types next is the name
        return;
    }
    EndDialog(QDialog::Rejected);
}

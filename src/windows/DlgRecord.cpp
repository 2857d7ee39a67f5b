#include "windows/DlgRecord.h"

#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "state/Globals.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>

CDlgRecord::CDlgRecord() : CDialogShell(*FindDialogTemplate(IDD_DLG_RECORD)) {}

void CDlgRecord::OnInitDialog() {
    // No longer than the records keep, so what the player sees typed is what is stored.
    m_editName = Control<QLineEdit>(IDC_EDIT_NAME);
    m_editName->setMaxLength(kMaxNameLength);
    m_editName->setAccessibleName(Aviluma::tr("姓名"));
    // The player who is flying, as a start: still the player's to change for this game.
    if (const std::optional<Player> player = CurrentPlayer()) {
        m_editName->setText(player->name);
        m_editName->selectAll();
    }
    // Typing goes into the name at once: the caret is in the field, not on the button.
    m_editName->setFocus(Qt::OtherFocusReason);
    Control<QLabel>(IDC_STC_NAME_REASON)->setText(m_strReason);
    connect(Control<QAbstractButton>(IDC_BTN_TAKE_NAME), &QAbstractButton::clicked, this,
            &CDlgRecord::OnTakeName);
}

void CDlgRecord::OnTakeName() {
    // Taken as typed (a name of spaces is a name), but never with characters that start new lines.
    const QString name = SafePlayerName(m_editName->text());
    g_strPlayerName.Set(name);
    if (name.isEmpty()) {
        MessageBoxOk(kEmptyNameText);
        m_editName->setFocus(Qt::OtherFocusReason); // what the player types next is the name
        return;
    }
    EndDialog(QDialog::Rejected);
}

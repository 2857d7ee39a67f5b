#include "windows/DlgGameType.h"

#include "platform/MessageBox.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "state/Globals.h"

CDlgGameType::CDlgGameType() : CDialogShell(*FindDialogTemplate(IDD_DLG_GAMETYPE)) {
    setWindowTitle(QStringLiteral("Aviluma")); // its template leaves it untitled in the task list
}

void CDlgGameType::OnInitDialog() {
    g_nPlayType = PlayType::Practice;
}

void CDlgGameType::OnCommand(int id) {
    if (id == IDC_BTN_PRACTICE) {
        g_nPlayType = PlayType::Practice;
        EndDialog(QDialog::Rejected);
    } else if (id == IDC_BTN_COMPETITION) {
        g_nPlayType = PlayType::Competition;
        if (!CreateScoreSheet()) {
            MessageBoxOk(kSheetNotCreatedText);
            return; // the choice stays open
        }
        ResetCompetitionLists();
        EndDialog(QDialog::Rejected);
    }
}

#include "windows/DlgGameType.h"

#include "app/Globals.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "res/Resource.h"

CDlgGameType::CDlgGameType() : CDialogShell(IDD_DLG_GAMETYPE) {}

void CDlgGameType::OnInitDialog() {
    g_nPlayType = 0;
}

void CDlgGameType::OnCommand(int id) {
    if (id == IDC_BTN_PRACTICE) {
        g_nPlayType = 0;
        EndDialog(QDialog::Rejected);
    } else if (id == IDC_BTN_COMPETITION) {
        g_nPlayType = 1;
        if (!CreateScoreSheet())
            return; // the player has been told; the choice stays open
        ResetCompetitionLists();
        EndDialog(QDialog::Rejected);
    }
}

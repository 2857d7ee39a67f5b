#include "windows/DlgGameType.h"

#include "platform/MessageBox.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "windows/DlgRun.h"

#include <QAbstractButton>

#include <algorithm>
#include <array>

namespace {
constexpr std::array kModes{GameMode::Wild, GameMode::Endless};
} // namespace

CDlgGameType::CDlgGameType() : CDialogShell(*FindDialogTemplate(IDD_DLG_GAMETYPE)) {
    setWindowTitle(QStringLiteral("Aviluma")); // its template leaves it untitled in the task list
}

void CDlgGameType::OnInitDialog() {
    g_nPlayType = PlayType::Practice;
    connect(Control<QAbstractButton>(IDC_BTN_PRACTICE), &QAbstractButton::clicked, this,
            &CDlgGameType::OnPractice);
    connect(Control<QAbstractButton>(IDC_BTN_COMPETITION), &QAbstractButton::clicked, this,
            &CDlgGameType::OnCompetition);
}

void CDlgGameType::OnPractice() {
    g_nPlayType = PlayType::Practice;
    EndDialog(QDialog::Accepted);
}

void CDlgGameType::OnCompetition() {
    if (g_Link.Read().state != LinkState::Good) { // lost while the choice was open
        MessageBoxOk(kLinkFaultText);
        EndDialog(QDialog::Rejected);
        return;
    }
    const bool scores = std::any_of(kModes.begin(), kModes.end(), [](GameMode mode) {
        return ReadTopList(RaceCfgPath(), TopListSection(mode))[0].score > 0;
    });
    if (scores && !MessageBoxYesNo(kNewCompetitionText))
        return; // the choice stays open
    g_nPlayType = PlayType::Competition;
    if (!CreateScoreSheet()) {
        MessageBoxOk(kSheetNotCreatedText);
        return; // the choice stays open
    }
    ResetCompetitionLists();
    EndDialog(QDialog::Accepted);
}

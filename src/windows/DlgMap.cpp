#include "windows/DlgMap.h"

#include "records/Records.h"
#include "res/Resource.h"
#include "state/Globals.h"

CDlgMap::CDlgMap() : CPictureDialog(IDD_DLG_MAP, IDB_MAP) {}

void CDlgMap::OnInitDialog() {
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_nOpenLevel = ReadOpenLevel();
    for (int k = 0; k < kLevelCount; ++k)
        m_btnLevels[static_cast<std::size_t>(k)] = SetUpButton(IDC_BTN_LEVEL1 + k, 0);
    RefreshLevelIcons(m_nOpenLevel);
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, QColor(255, 255, 255));
    m_stcTitle->SetText(kMapCaption);
    setWindowTitle(kMapCaption);
}

void CDlgMap::RefreshLevelIcons(int openLevel) {
    for (int level = 1; level <= kLevelCount; ++level) {
        CButtonST* button = m_btnLevels[static_cast<std::size_t>(level - 1)];
        const bool open = level <= openLevel;
        button->SetStateIcons(LoadIconResource(open ? IDI_LEVEL_OPEN : IDI_LEVEL_LOCKED));
        button->SetHoverBorder(open);
    }
}

void CDlgMap::OnCommand(int id) {
    if (id == IDC_BTN_CLOSE)
        OnCancel();
    else if (id >= IDC_BTN_LEVEL1 && id < IDC_BTN_LEVEL1 + kLevelCount)
        OnLevel(id - IDC_BTN_LEVEL1 + 1);
}

void CDlgMap::OnLevel(int level) {
    // Level 1 can always be played, whatever the stored progress says.
    if (level >= 2 && m_nOpenLevel < level)
        return;
    g_nLevelResult = 0;
    g_nScore = 0;
    g_nLevel = level;
    m_dlgRun.DoModal();
    if (level == kLevelCount)
        return; // passing level 10 opens nothing
    const int opened = OpenLevelAfterGame(m_nOpenLevel, g_nLevel, g_nLevelResult != 0);
    if (opened == m_nOpenLevel)
        return;
    m_nOpenLevel = opened;
    RefreshLevelIcons(m_nOpenLevel);
    WriteOpenLevel(m_nOpenLevel);
}

std::vector<int> CDlgMap::TabOrder() const {
    // Along the route, level by level, then the close button.
    std::vector<int> ids;
    for (int k = 0; k < kLevelCount; ++k)
        ids.push_back(IDC_BTN_LEVEL1 + k);
    ids.push_back(IDC_BTN_CLOSE);
    return ids;
}

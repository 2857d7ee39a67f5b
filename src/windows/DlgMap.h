// The level map: ten level buttons on an island. Open levels show a bright star and play their level in
// the map's run window; locked ones show a dark star and ignore clicks. Passing the highest open level
// opens the next.
#pragma once

#include "state/GameTypes.h"
#include "windows/DlgRun.h"
#include "windows/PictureDialog.h"

#include <array>

inline const QString kMapCaption = QStringLiteral("Aviluma—关卡选择");

class CDlgMap : public CPictureDialog {
public:
    CDlgMap();

    CDlgRun m_dlgRun; // shared by all ten levels
    CButtonST* m_btnClose = nullptr;
    std::array<CButtonST*, kLevelCount> m_btnLevels{};
    CColorStatic* m_stcTitle = nullptr;
    int m_nOpenLevel = 1;

protected:
    void OnInitDialog() override;
    void OnCommand(int id) override;
    std::vector<int> TabOrder() const override;

private:
    void RefreshLevelIcons(int openLevel);
    void OnLevel(int level);
};

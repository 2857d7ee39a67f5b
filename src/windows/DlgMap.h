// The level map: ten level buttons on an island. Open levels show a bright star and play their level in
// the map's run window; locked ones show a dark star and ignore clicks. Passing the highest open level
// opens the next.
#pragma once

#include "state/GameTypes.h"
#include "widgets/LockMark.h"
#include "windows/DlgRun.h"
#include "windows/PictureDialog.h"

#include <array>

inline const QString kMapCaption = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Aviluma—关卡选择"));
// "第 3 关已开启！", in the player's language
QString LevelOpenedText(int level);
// "通过第 2 关后开启第 3 关", in the player's language
QString LevelLockedText(int level);

class CDlgMap : public CPictureDialog {
public:
    CDlgMap();

    // The next opening goes straight on to level's run window, as a click on it would (after the
    // first-flight lesson: level 1); the map shows once that window closes.
    void PlayAtOpening(int level) { m_nPlayAtOpening = level; }

    CDlgRun m_dlgRun; // shared by all ten levels
    CButtonST* m_btnClose = nullptr;
    std::array<CButtonST*, kLevelCount> m_btnLevels{};
    CColorStatic* m_stcTitle = nullptr;
    // A level just opened, or what opens a locked level asked for by keyboard.
    CColorStatic* m_stcNews = nullptr;
    std::array<CColorStatic*, kLevelCount> m_stcBest{}; // each open level's best total
    std::array<CLockMark*, kLevelCount> m_lockLevels{};  // on the locked levels
    int m_nOpenLevel = 1;

protected:
    void OnInitDialog() override;
    std::vector<int> TabOrder() const override;

private:
    void RefreshLevelIcons(int openLevel);
    void MakeNotes();
    void OnLevel(int level);

    int m_nPlayAtOpening = 0;
};

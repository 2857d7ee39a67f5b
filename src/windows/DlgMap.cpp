#include "windows/DlgMap.h"

#include "platform/Translation.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "widgets/Fonts.h"

#include <QFontMetrics>
#include <QTimer>

#include <utility>

CDlgMap::CDlgMap() : CPictureDialog(IDD_DLG_MAP, IDB_MAP) {}

void CDlgMap::OnInitDialog() {
    m_btnClose = SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    m_btnClose->setAccessibleName(Aviluma::tr("关闭地图"));
    connect(m_btnClose, &QAbstractButton::clicked, this, &CDlgMap::OnCancel);
    m_nOpenLevel = ReadOpenLevel();
    for (int k = 0; k < kLevelCount; ++k) {
        CButtonST* button = SetUpButton(IDC_BTN_LEVEL1 + k, 0);
        m_btnLevels[static_cast<std::size_t>(k)] = button;
        connect(button, &QAbstractButton::clicked, this, [this, level = k + 1] { OnLevel(level); });
    }
    if (m_stcNews == nullptr)
        MakeNotes(); // once: they outlive the controls, which every opening makes anew
    m_stcNews->SetText(QString());
    RefreshLevelIcons(m_nOpenLevel);
    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, QColor(255, 255, 255));
    m_stcTitle->SetText(kMapCaption);
    setWindowTitle(Tr(kMapCaption));
    if (const int level = std::exchange(m_nPlayAtOpening, 0); level != 0)
        QTimer::singleShot(0, this, [this, level] { OnLevel(level); }); // over the map, once it shows
}

void CDlgMap::MakeNotes() {
    for (int k = 0; k < kLevelCount; ++k) {
        // Under each platform, its best total once it has one (placed as it is written).
        auto* best = new CColorStatic(this);
        best->SetOwnFont(MakeCellFont(15));
        best->SetTransparent(true);
        best->SetTextColour(QColor(0xff, 0xd5, 0x4f));
        best->show();
        m_stcBest[static_cast<std::size_t>(k)] = best;
    }
    m_stcNews = new CColorStatic(this);
    m_stcNews->setGeometry(250, 40, 300, 34);
    m_stcNews->SetOwnFont(MakeCellFont(24));
    m_stcNews->SetTransparent(true);
    m_stcNews->SetTextColour(QColor(0xff, 0xd5, 0x4f));
    m_stcNews->SetLayout(true, true);
    m_stcNews->show();
}

QString LevelOpenedText(int level) {
    return Aviluma::tr("第 %1 关已开启！").arg(level);
}

QString LevelLockedText(int level) {
    return Aviluma::tr("通过第 %1 关后开启第 %2 关")
        .arg(level - 1)
        .arg(level);
}

void CDlgMap::RefreshLevelIcons(int openLevel) {
    for (int level = 1; level <= kLevelCount; ++level) {
        const auto k = static_cast<std::size_t>(level - 1);
        CButtonST* button = m_btnLevels[k];
        const bool open = level <= openLevel;
        button->SetStateIcons(LoadIconResource(open ? IDI_LEVEL_OPEN : IDI_LEVEL_LOCKED));
        button->SetHoverBorder(open);
        button->setAccessibleName(
            open || level == 1
                ? Aviluma::tr("第 %1 关").arg(level)
                : Aviluma::tr("第 %1 关（未开启）").arg(level));
        button->setAccessibleDescription(open || level == 1 ? QString() : LevelLockedText(level));
        // Tab goes along the open levels only; a locked one still takes the focus by a click.
        button->setFocusPolicy(open || level == 1 ? Qt::StrongFocus : Qt::ClickFocus);
        if (!open && m_lockLevels[k] == nullptr)
            m_lockLevels[k] = new CLockMark(this, button->geometry(), CLockMark::Style::Corner, LevelLockedText(level));
        else if (open && m_lockLevels[k] != nullptr)
            delete std::exchange(m_lockLevels[k], nullptr);
        const int best = open ? ReadBestScore(level) : 0;
        const QString text =
            best > 0 ? Aviluma::tr("最高 %1").arg(best) : QString();
        // Under the platform, or above it where the next platform lies below; moved aside where the
        // picture has the level's number or the route runs on to the next platform.
        struct Place {
            bool above;
            int aside, down;
        };
        constexpr std::array<Place, kLevelCount> kPlaces = {{{false, 0, 0},
                                                             {false, 0, 0},
                                                             {true, 0, 0},
                                                             {false, 0, 0},
                                                             {false, 0, 0},
                                                             {true, -12, 0},
                                                             {false, -24, 13},
                                                             {false, 0, 0},
                                                             {false, -40, 0},
                                                             {false, -26, 0}}};
        constexpr int kHeight = 20;
        const Place& place = kPlaces[k];
        const int width = QFontMetrics(m_stcBest[k]->ShownFont()).horizontalAdvance(text) + 2 * CColorStatic::kTextMargin + 2;
        const QRect platform = button->geometry();
        const int top = place.above ? platform.top() - kHeight - 1 : platform.bottom() + 1 + place.down;
        m_stcBest[k]->setGeometry(platform.center().x() - width / 2 + place.aside, top, width, kHeight);
        m_stcBest[k]->SetText(text);
    }
}

void CDlgMap::OnLevel(int level) {
    // Level 1 can always be played, whatever the stored progress says. A locked level ignores a
    // click; asked for by keyboard, it says what opens it.
    m_stcNews->SetText(QString());
    if (level >= 2 && m_nOpenLevel < level) {
        if (CButtonST::InputByKeys())
            m_stcNews->SetText(LevelLockedText(level));
        return;
    }
    g_nLevelResult = 0;
    g_nScore = 0;
    g_nLevel = level;
    m_dlgRun.DoModal();
    // Passing level 10 opens nothing.
    const int opened =
        level == kLevelCount ? m_nOpenLevel : OpenLevelAfterGame(m_nOpenLevel, g_nLevel, g_nLevelResult != 0);
    if (opened != m_nOpenLevel) {
        m_nOpenLevel = opened;
        WriteOpenLevel(m_nOpenLevel);
        m_stcNews->SetText(LevelOpenedText(opened));
    }
    RefreshLevelIcons(m_nOpenLevel); // a new best total shows under its level too
}

std::vector<int> CDlgMap::TabOrder() const {
    // Along the route, level by level, then the close button.
    std::vector<int> ids;
    for (int k = 0; k < kLevelCount; ++k)
        ids.push_back(IDC_BTN_LEVEL1 + k);
    ids.push_back(IDC_BTN_CLOSE);
    return ids;
}

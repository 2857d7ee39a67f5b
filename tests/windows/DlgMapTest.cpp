#include "windows/DlgMap.h"
#include "link/Heartbeat.h"
#include "platform/ProfileFile.h"
#include "platform/Translation.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "support/ModalPlayer.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTest>

namespace {

class DlgMap : public ::testing::Test {
protected:
    void SetUp() override {
        g_nGameMode = GameMode::Level;
        m_map = std::make_unique<CDlgMap>();
    }
    void TearDown() override {
        m_map.reset();
        ShutdownHeartbeat();
    }
    void StoreOpenLevel(const char* value) {
        WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("level"),
                                  QString::fromLatin1(value), SystemCfgPath());
    }
    // Which levels show the bright star.
    QString Stars() const {
        QString shown;
        const QImage open = *LoadIconResource(IDI_LEVEL_OPEN);
        for (CButtonST* b : m_map->m_btnLevels)
            shown += *b->StateIcon(0) == open ? QLatin1Char('*') : QLatin1Char('.');
        return shown;
    }
    // Clicks level, and in its run window passes (or fails) the level and closes the window.
    bool Play(int level, bool pass) {
        bool opened = false;
        m_player.When<CDlgRun>([&](CDlgRun& run) {
            opened = true;
            EXPECT_EQ(g_nLevel, level);
            g_nLevelResult = pass ? 1 : 0;
            run.m_btnClose->click();
        });
        m_map->m_btnLevels[static_cast<std::size_t>(level - 1)]->click();
        if (!opened)
            m_player.Forget(); // the step is still waiting: the level did not open
        return opened;
    }

    CProgramFolder m_folder{{QStringLiteral("Data")}};
    CMessageLog m_messages;
    QApplication& m_app = OffscreenApp();
    std::unique_ptr<CDlgMap> m_map;
    CModalPlayer m_player;
};

TEST_F(DlgMap, AFirstRunOpensOnlyLevelOne) {
    m_map->ShowModeless();
    EXPECT_EQ(m_map->m_stcTitle->Text(), QStringLiteral("Aviluma—关卡选择"));
    EXPECT_EQ(Stars(), QStringLiteral("*........."));
    EXPECT_TRUE(m_map->m_btnLevels[0]->HoverBorder());
    EXPECT_FALSE(m_map->m_btnLevels[1]->HoverBorder());
    EXPECT_FALSE(Play(2, true)); // locked levels ignore clicks
    EXPECT_FALSE(Play(10, true));
    EXPECT_TRUE(Play(1, true));
    EXPECT_EQ(Stars(), QStringLiteral("**........"));
    EXPECT_EQ(ReadOpenLevel(), 2);
}

TEST_F(DlgMap, StoredProgressDecidesWhatIsOpen) {
    StoreOpenLevel("10");
    m_map->ShowModeless();
    EXPECT_EQ(Stars(), QStringLiteral("**********"));
    EXPECT_TRUE(Play(10, true)); // passing level 10 writes nothing
    EXPECT_EQ(ReadOpenLevel(), 10);
    m_map->EndDialog(QDialog::Rejected);

    StoreOpenLevel("0"); // all locked, yet level 1 plays; passing it opens nothing
    m_map->ShowModeless();
    EXPECT_EQ(Stars(), QStringLiteral(".........."));
    EXPECT_TRUE(Play(1, true));
    EXPECT_EQ(Stars(), QStringLiteral(".........."));
    EXPECT_EQ(ReadOpenLevel(), 0);
}

TEST_F(DlgMap, PassingTheHighestOpenLevelOpensTheNextAtOnce) {
    StoreOpenLevel("3");
    m_map->ShowModeless();
    EXPECT_TRUE(Play(2, true));  // below the highest: nothing changes
    EXPECT_TRUE(Play(3, false)); // a failure: nothing changes
    EXPECT_EQ(Stars(), QStringLiteral("***......."));
    EXPECT_EQ(ReadOpenLevel(), 3);
    EXPECT_TRUE(m_map->m_stcNews->Text().isEmpty());
    EXPECT_TRUE(Play(3, true));
    EXPECT_EQ(Stars(), QStringLiteral("****......"));
    EXPECT_TRUE(m_map->m_btnLevels[3]->HoverBorder());
    EXPECT_EQ(ReadOpenLevel(), 4);
    EXPECT_EQ(m_map->m_stcNews->Text(), QStringLiteral("第 4 关已开启！"));

    QTest::keyClick(m_map.get(), Qt::Key_Return); // Enter does nothing
    EXPECT_TRUE(m_map->isVisible());
    m_map->m_btnClose->click();
    EXPECT_FALSE(m_map->isVisible());
}

// Locked levels look locked and Tab passes them by; Space on one (focused by a click) says what opens
// it, while a click stays silent. Each open level shows its best total.
TEST_F(DlgMap, TabGoesAlongTheOpenLevelsAndALockedOneSaysWhatOpensIt) {
    StoreOpenLevel("2");
    WriteBestScore(1, 27);
    m_map->ShowModeless();
    m_map->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_map.get()));
    EXPECT_EQ(m_map->m_stcBest[0]->Text(), QStringLiteral("最高 27"));
    EXPECT_TRUE(m_map->m_stcBest[1]->Text().isEmpty());
    EXPECT_EQ(m_map->m_lockLevels[1], nullptr);
    ASSERT_NE(m_map->m_lockLevels[2], nullptr);
    EXPECT_EQ(m_map->m_lockLevels[2]->Text(), QStringLiteral("通过第 2 关后开启第 3 关"));
    m_map->m_btnLevels[0]->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_map->m_btnLevels[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_map->m_btnClose); // past the eight locked levels

    QTest::mouseClick(m_map->m_btnLevels[4], Qt::LeftButton);
    EXPECT_TRUE(m_map->m_stcNews->Text().isEmpty());
    ASSERT_EQ(QApplication::focusWidget(), m_map->m_btnLevels[4]);
    QTest::keyClick(m_map->m_btnLevels[4], Qt::Key_Space);
    EXPECT_EQ(m_map->m_stcNews->Text(), QStringLiteral("通过第 4 关后开启第 5 关"));
}

// Every level's best total, as long as it gets and in both languages, stays clear of every platform
// and of the other totals.
TEST_F(DlgMap, EachBestTotalKeepsClearOfThePlatformsAndTheOtherTotals) {
    StoreOpenLevel("10");
    for (int level = 1; level <= 10; ++level)
        WriteBestScore(level, 888);
    for (const Language language : {Language::Chinese, Language::English}) {
        ASSERT_TRUE(InstallLanguage(language));
        m_map->ShowModeless();
        for (std::size_t k = 0; k < m_map->m_stcBest.size(); ++k) {
            const QRect best = m_map->m_stcBest[k]->geometry();
            ASSERT_FALSE(m_map->m_stcBest[k]->Text().isEmpty());
            EXPECT_TRUE(m_map->rect().contains(best)) << k;
            for (std::size_t j = 0; j < m_map->m_btnLevels.size(); ++j)
                EXPECT_FALSE(best.intersects(m_map->m_btnLevels[j]->geometry()))
                    << "best of level " << k + 1 << " over level " << j + 1;
            for (std::size_t j = k + 1; j < m_map->m_stcBest.size(); ++j)
                EXPECT_FALSE(best.intersects(m_map->m_stcBest[j]->geometry())) << k + 1 << " and " << j + 1;
        }
        m_map->EndDialog(QDialog::Rejected);
    }
    RemoveLanguage();
}

} // namespace

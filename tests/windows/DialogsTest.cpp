#include "records/Records.h"
#include "res/Resource.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/ProgramFolder.h"
#include "support/TestSupport.h"
#include "windows/DlgGameType.h"
#include "windows/DlgMap.h"
#include "windows/DlgRecord.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QTest>

namespace {

class Dialogs : public ::testing::Test {
protected:
    static void Click(CDialogShell& dialog, int id) {
        static_cast<QAbstractButton*>(dialog.GetDlgItem(id))->click();
    }

    CProgramFolder m_folder{{QStringLiteral("Data")}};
    CMessageLog m_messages;
    QApplication& m_app = OffscreenApp();
};

TEST_F(Dialogs, CompetitionStartsASheetAndEmptiesTheCompetitionLists) {
    ASSERT_TRUE(QDir(m_folder.Path()).mkpath(QStringLiteral("Record")));
    g_nGameMode = GameMode::Wild;
    InsertTopListEntry(RaceCfgPath(), TopListSection(GameMode::Endless), 1, 500, QStringLiteral("旧"));
    g_Link.SetState(LinkState::Good);
    const auto linkGone = qScopeGuard([] { g_Link.SetState(LinkState::None); });
    CMessageLog yes(true); // to a new competition that empties the lists
    CDlgGameType dialog;
    g_nPlayType = PlayType::Competition;
    dialog.ShowModeless();
    EXPECT_EQ(g_nPlayType, PlayType::Practice); // every opening starts as practice
    Click(dialog, IDC_BTN_COMPETITION);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(g_nPlayType, PlayType::Competition);
    EXPECT_TRUE(QFile::exists(g_strSheetPath.Get()));
    EXPECT_EQ(ReadTopList(RaceCfgPath(), TopListSection(GameMode::Endless))[0].score, 0);

    dialog.ShowModeless();
    Click(dialog, IDC_BTN_PRACTICE);
    EXPECT_EQ(g_nPlayType, PlayType::Practice);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(yes.Texts(), QStringList{kNewCompetitionText});
}

TEST_F(Dialogs, ASheetThatCannotBeMadeKeepsTheChoiceOpen) {
    g_nGameMode = GameMode::Endless; // and no Record folder
    InsertTopListEntry(RaceCfgPath(), TopListSection(GameMode::Endless), 1, 500, QStringLiteral("旧"));
    g_Link.SetState(LinkState::Good);
    const auto linkGone = qScopeGuard([] { g_Link.SetState(LinkState::None); });
    CMessageLog yes(true);
    CDlgGameType dialog;
    dialog.ShowModeless();
    Click(dialog, IDC_BTN_COMPETITION);
    EXPECT_EQ(yes.Texts(), (QStringList{kNewCompetitionText, kSheetNotCreatedText}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(g_nPlayType, PlayType::Competition);
    EXPECT_EQ(ReadTopList(RaceCfgPath(), TopListSection(GameMode::Endless))[0].score, 500); // untouched
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(g_nPlayType, PlayType::Competition); // Esc leaves the last value
}

TEST_F(Dialogs, TheNameIsTakenAsTypedAndNeverEmpty) {
    CDlgRecord dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("记录创建者信息录入"));
    g_strPlayerName.Set(QStringLiteral("上次"));
    dialog.ShowModeless();
    auto* edit = static_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_NAME));
    EXPECT_TRUE(edit->text().isEmpty());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(g_strPlayerName.Get(), QStringLiteral("上次"));

    dialog.ShowModeless();
    dialog.GetDlgItem(IDC_BTN_TAKE_NAME)->setFocus(); // as a click of the mouse leaves it
    Click(dialog, IDC_BTN_TAKE_NAME);
    EXPECT_EQ(m_messages.Texts(), QStringList{kEmptyNameText});
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(g_strPlayerName.Get().isEmpty());
    edit = static_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_NAME));
    EXPECT_EQ(dialog.focusWidget(), edit); // back in the field: what is typed next is the name

    QTest::keyClicks(edit, QStringLiteral("  "));
    QTest::keyClick(edit, Qt::Key_Return); // Enter does nothing
    EXPECT_TRUE(dialog.isVisible());
    Click(dialog, IDC_BTN_TAKE_NAME);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(g_strPlayerName.Get(), QStringLiteral("  ")); // spaces are a name

    dialog.ShowModeless(); // a pasted name with line breaks forges no lines in the records
    edit = static_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_NAME));
    EXPECT_EQ(edit->maxLength(), kMaxNameLength);
    edit->setText(QStringLiteral("Eve\ntop1=99999"));
    Click(dialog, IDC_BTN_TAKE_NAME);
    EXPECT_EQ(g_strPlayerName.Get(), QStringLiteral("Evetop1=99999"));
}

// The caret is in the field: what the player types is the name; the line above says what it is for.
TEST_F(Dialogs, TheNameEntryTakesTypingAtOnceAndSaysWhatTheNameIsFor) {
    CDlgRecord dialog;
    dialog.SetReason(QStringLiteral("本局 1848 分，进入前三名"));
    dialog.ShowModeless();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* edit = static_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT_NAME));
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Mei"));
    EXPECT_EQ(edit->text(), QStringLiteral("Mei"));
    EXPECT_EQ(static_cast<QLabel*>(dialog.GetDlgItem(IDC_STC_NAME_REASON))->text(),
              QStringLiteral("本局 1848 分，进入前三名"));
}

// The window manager is asked to move a window only once the pointer moves with the button down:
// asked at the press, it may start after a quick click's release and leave the window following the
// pointer until the next click.
TEST_F(Dialogs, AWindowsTimerStopsWhenTheWindowEnds) {
    CDlgRecord dialog;
    CDialogTimer timer(dialog, [] {});
    dialog.ShowModeless();
    timer.start(60'000);
    dialog.EndDialog(QDialog::Rejected);
    EXPECT_FALSE(timer.isActive());
}

TEST_F(Dialogs, AControlTakenAsAnotherKindStopsTheProgramThere) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CDlgRecord dialog;
    dialog.ShowModeless();
    EXPECT_EQ(dialog.Control<QLineEdit>(IDC_EDIT_NAME), dialog.GetDlgItem(IDC_EDIT_NAME));
    EXPECT_DEATH(dialog.Control<QLabel>(IDC_EDIT_NAME), "control 1021 is not of the kind");
    EXPECT_DEATH(dialog.Control<QWidget>(-12345), "missing");
}

TEST_F(Dialogs, AWindowIsDraggedOnlyWhileTheButtonIsDown) {
    struct CMap : CDlgMap {
        int asked = 0;
        bool BeginSystemMove() override {
            ++asked;
            return false; // moved by the window itself, as where no window manager can
        }
    } map;
    map.ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&map));
    const QPoint start = map.pos();
    const QPoint background(300, 560);
    ASSERT_EQ(map.childAt(background), nullptr);
    QTest::mouseClick(&map, Qt::LeftButton, {}, background);
    EXPECT_EQ(map.asked, 0);
    QTest::mousePress(&map, Qt::LeftButton, {}, background);
    QMouseEvent drag(QEvent::MouseMove, QPointF(background + QPoint(40, 20)),
                     map.mapToGlobal(QPointF(background + QPoint(40, 20))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&map, &drag);
    EXPECT_EQ(map.asked, 1);
    EXPECT_NE(map.pos(), start);
    QTest::mouseRelease(&map, Qt::LeftButton, {}, background + QPoint(40, 20));
}

} // namespace

// The main window: the three mode cards, the drone's connect button and link state, and the exit.
#pragma once

#include "app/AboutDlg.h"
#include "app/PracticeDrone.h"
#include "classroom/ClassClient.h"
#include "link/LinkService.h"
#include "platform/Translation.h"
#include "widgets/LockMark.h"
#include "windows/DlgDebrief.h"
#include "windows/DlgGameType.h"
#include "windows/DlgLesson.h"
#include "windows/DlgMap.h"
#include "windows/DlgRun.h"
#include "windows/PictureDialog.h"

#include <array>
#include <set>
#include <thread>

class QLabel;
class QPushButton;
class QTimer;

inline const QString kLevelsFirstText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "闯关模式通过后才能进入该模式"));
inline const QString kExitQuestionText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "是否退出游戏？"));
inline const QString kAboutItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "关于 Aviluma(&A)..."));
inline const QString kNoDroneText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "请先连接无人机！"));
inline const QString kMainCaption = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "Aviluma—游戏选择"));
inline const QString kConnectTipText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无人机连接操作按钮"));
// Always in both languages, so that a player who reads only one of them finds it.
inline const QString kLanguageItemText = QStringLiteral("语言 / Language");
inline const QString kSwitchPlayerItemText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "切换玩家(&P)...\tF3"));
inline const QString kLessonItemText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "新手试飞(&L)...\tF4"));
// Asked once a run, when the link first turns good for a player who has never flown.
inline const QString kLessonOfferText = QStringLiteral(
    QT_TRANSLATE_NOOP("Aviluma", "第一次飞吗？先来一次不计分的新手试飞：\n把圆点移进方框并保持 1 秒，"
                                 "然后直接进入第 1 关。\n选择\"是\"开始试飞"));

// The texts are source texts: shown through Tr() (message boxes and labels translate what they show).

// What the player is told after a press of the connect button, in the player's language; empty when
// nothing needs saying.
QString ConnectMessage(const ConnectResult& result);
inline const QString kConnectFirstHintText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "请先点击左下角连接无人机"));
inline const QString kPracticeLinkText =
    QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "没有无人机？用模拟无人机练习"));
inline const QString kModesLockedText = QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "通过第 9 关后开启"));

// The class line of the main window: "班级：已连接", "班级：3 局等待上传", "班级：未连接" (translated).
QString ClassStatusText(const ClassStatus& status);
// The connect button's tooltip (translated): which drone it is connected to, port and serial number.
QString ConnectTip(bool open, const DroneIdentity& drone);

class CAvilumaDlg : public CPictureDialog, public ILinkView {
public:
    CAvilumaDlg();
    ~CAvilumaDlg() override;

    CDlgMap m_dlgMap;
    CDlgRun m_dlgRun; // wild and endless
    CDlgGameType m_dlgGameType;
    CAboutDlg m_dlgAbout;
    CDlgDebrief m_dlgDebrief;
    CDlgLesson m_dlgLesson;
    CLinkService m_link{*this};

    CButtonST* m_btnLevel = nullptr;
    CButtonST* m_btnWild = nullptr;
    CButtonST* m_btnEndless = nullptr;
    CButtonST* m_btnExit = nullptr;
    CButtonST* m_btnConnect = nullptr;
    CButtonST* m_btnLinkState = nullptr;
    CColorStatic* m_stcTitle = nullptr;
    int m_nGrade = 1; // progress as read when the window was set up

    // ILinkView: hands the icons to the UI thread.
    void ShowPortState(bool open, const DroneIdentity& drone) override;
    void ShowLinkState(LinkState linkState) override;

    // Ends every game and thread the windows own; the program calls it before it ends.
    void Shutdown();

    // Opens "谁来飞？" over the window as soon as it shows (a PC of two or more players).
    void ChoosePlayerOnShow() { m_bChoosePlayer = true; }
    // "谁来飞？": the chosen player's progress from now on. The chooser is there whenever no game runs.
    // Cancelled at start, it says who flies meanwhile.
    void ChoosePlayer(bool atStart = false);
    // The class server's state in a line at the foot of the window, the last error on hover; from any
    // thread. The line is there only on a PC of a class.
    void ShowClassStatus(const ClassStatus& status);
    QLabel* m_stcClass = nullptr;
    // Where to begin, until the drone is connected.
    CColorStatic* m_stcStartHint = nullptr;
    // Beneath it, for a player without a drone: the simulated drone, started and connected.
    QPushButton* m_btnPractice = nullptr;
    // The first-flight lesson, with a good link; levelled, straight on to level 1 (over the map). From
    // the menu, F4, or the offer.
    void OnLesson();
    // Offers the lesson to a player who has never flown, once a run for each player, when the link is
    // good and no other window is open.
    void OfferLessonToNewPlayer();
    // Starts the simulated drone beside the game and connects to it as soon as it is there; a
    // message says why when it cannot be started.
    void PracticeWithSimulatedDrone();
    // How the simulated drone is started (a test puts its own in).
    std::function<bool(QString* error)> startPracticeDrone = [this](QString* error) {
        return m_practiceDrone.Start(error);
    };
    // The padlocks on the wild and endless cards until the levels are passed.
    std::array<CLockMark*, 2> m_lockModes{};
    // Told after the "班级" dialog saved new settings: the program starts sending with them.
    std::function<void()> onClassChanged;
    // Where the "班级" dialog tests a connection; joined when this window goes, after the event loop.
    CClassChecks m_classChecks;
    // The --lang option of this run, empty without one: it outranks a player's stored choice, unless
    // it names no language.
    QString m_strLanguageOption;
    // Installs the language and shows this window's texts in it at once; the other windows take it up
    // when they next open. remember: stored as the current player's choice.
    void UseLanguage(Language language, bool remember);
    // The chosen player's language, when they chose one and no --lang says otherwise.
    void UsePlayersLanguage();

protected:
    void OnInitDialog() override;
    void OnCancel() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    std::vector<int> TabOrder() const override;
    void paintEvent(QPaintEvent* event) override;

private:
    void OnBtnConnect();
    void OnBtnLevel();
    void OnBtnWild();
    void OnBtnEndless();
    void OnBtnWildOrEndless(GameMode gameMode);
    void OnBtnExit();
    void ShowSystemMenu(const QPoint& at);
    // The current player's name in the title and their progress on the mode cards.
    void ShowPlayer();
    // The wild and endless buttons' names for a screen reader, locked or not.
    void ShowModeNames();
    // Every text of the window that is set once, in the language installed now.
    void ShowTexts();

    // The last states shown, to show them again in another language.
    bool m_bPortOpen = false;
    DroneIdentity m_drone;
    LinkState m_linkState = LinkState::None;
    std::optional<ClassStatus> m_classStatus;

    bool m_bChoosePlayer = false;
    std::set<QString> m_lessonOffered; // the players' folders asked this run ("" for the PC's own)
    CPracticeDrone m_practiceDrone;
    QTimer* m_practiceConnect = nullptr; // tries the connect button's work until the drone is there
    int m_nPracticeTries = 0;
    std::thread m_warmUp; // draws the other windows' backgrounds ahead of their first opening
    bool m_bPainted = false;
};

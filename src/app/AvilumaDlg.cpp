#include "app/AvilumaDlg.h"

#include "link/Heartbeat.h"
#include "platform/DeviceList.h"
#include "platform/MessageBox.h"
#include "platform/Translation.h"
#include "records/Players.h"
#include "records/Records.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "state/Globals.h"
#include "state/Log.h"
#include "widgets/Fonts.h"
#include "windows/DlgClass.h"
#include "windows/DlgPlayers.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QRegularExpression>
#include <QTimer>

#include <cstring>
#include <utility>

namespace {
constexpr std::chrono::milliseconds kGameEndBound{3000};
} // namespace

CAvilumaDlg::CAvilumaDlg() : CPictureDialog(IDD_AVILUMA_DIALOG, IDB_MAIN) {
    // The program's own window, listed in the task bar; the others open over it.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    QApplication::setWindowIcon(IconResourceIcon(IDR_MAINFRAME)); // every window of the program
    // This window's own background (800 x 600) takes some twenty milliseconds to draw (a millisecond
    // to read back once drawn), its icons a few: drawn beside the UI thread while the window makes its
    // controls, they are there, or nearly, when the controls and the first paint ask for them.
    const qreal ratio = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0;
    m_warmUp = std::thread([deviceSize = QSize(800, 600) * ratio] {
        (void)LoadBitmapResource(IDB_MAIN, deviceSize);
        StartupMark("main window's background drawn, beside the UI thread");
        for (const int icon : {IDI_CLOSE, IDI_PORT_CLOSED, IDI_LINK_NONE})
            (void)LoadIconResource(icon);
        StartupMark("main window's icons drawn, beside the UI thread");
    });
}

CAvilumaDlg::~CAvilumaDlg() {
    Shutdown();
    if (m_warmUp.joinable())
        m_warmUp.join();
}

void CAvilumaDlg::paintEvent(QPaintEvent* event) {
    CPictureDialog::paintEvent(event);
    if (m_bPainted)
        return;
    m_bPainted = true;
    // Once the first paint has reached the screen: the map's and the run window's backgrounds take
    // tens of milliseconds each to draw. Drawn then, beside the UI thread, they open without a pause,
    // and they hold up nothing of this window's start (two cores or one, a player who clicks a mode
    // card within a fraction of a second waits only for the picture being drawn).
    QTimer::singleShot(0, this, [this] {
        StartupMark("first paint done");
        if (m_warmUp.joinable())
            m_warmUp.join(); // done: the paint had its picture
        m_warmUp = std::thread([deviceSize = size() * devicePixelRatio()] {
                for (const int picture : {IDB_MAP, IDB_RUN})
                    (void)LoadBitmapResource(picture, deviceSize);
            });
    });
}

void CAvilumaDlg::OnInitDialog() {
    m_nGrade = ReadOpenLevel();

    m_btnExit = Button(IDC_BTN_CLOSE);
    m_btnExit->BrightenHoverFace();
    SetUpButton(IDC_BTN_CLOSE, IDI_CLOSE);
    // The mode buttons are invisible hot areas over the painted START buttons; only the hover frame
    // shows them, and for wild and endless only once the levels are done.
    m_btnLevel = SetUpButton(IDC_BTN_LEVEL, 0);
    m_btnLevel->SetHoverBorder(true);
    m_btnWild = SetUpButton(IDC_BTN_WILD, 0);
    m_btnWild->SetHoverBorder(m_nGrade == kLevelCount);
    m_btnEndless = SetUpButton(IDC_BTN_ENDLESS, 0);
    m_btnEndless->SetHoverBorder(m_nGrade == kLevelCount);
    m_btnConnect = SetUpButton(IDC_BTN_CONNECT, IDI_PORT_CLOSED);
    m_btnConnect->SetHoverBorder(true);
    m_btnLinkState = SetUpButton(IDC_BTN_LINKSTATE, IDI_LINK_NONE);
    m_btnLinkState->SetHoverBorder(false);
    m_btnLinkState->setFocusPolicy(Qt::NoFocus); // a sign, not a button: clicking it does nothing
    connect(m_btnConnect, &QAbstractButton::clicked, this, &CAvilumaDlg::OnBtnConnect);
    connect(m_btnLevel, &QAbstractButton::clicked, this, &CAvilumaDlg::OnBtnLevel);
    connect(m_btnWild, &QAbstractButton::clicked, this, &CAvilumaDlg::OnBtnWild);
    connect(m_btnEndless, &QAbstractButton::clicked, this, &CAvilumaDlg::OnBtnEndless);
    connect(m_btnExit, &QAbstractButton::clicked, this, &CAvilumaDlg::OnBtnExit);

    m_stcTitle = SetUpLabel(IDC_STC_TITLE, 20, false, QColor(255, 255, 255));
    m_stcTitle->SetLayout(false, true); // a long player's name makes the caption smaller, never cut
    ShowPlayer();
    if (m_bChoosePlayer) {
        m_bChoosePlayer = false;
        QTimer::singleShot(0, this, [this] { ChoosePlayer(true); }); // over the window, once it shows
    }

    if (m_stcStartHint == nullptr)
        m_stcStartHint = new CColorStatic(this, QString());
    m_stcStartHint->setGeometry(80, 540, 420, 24);
    m_stcStartHint->SetOwnFont(MakeCellFont(18));
    m_stcStartHint->SetTransparent(true);
    m_stcStartHint->SetTextColour(QColor(0xff, 0xd5, 0x4f));
    m_stcStartHint->show();
    if (m_btnPractice == nullptr) {
        m_btnPractice = new QPushButton(this);
        m_btnPractice->setFlat(true);
        m_btnPractice->setCursor(Qt::PointingHandCursor);
        m_btnPractice->setStyleSheet(
            QStringLiteral("QPushButton { color: #cfe5ff; text-decoration: underline;"
                           " border: none; background: transparent; text-align: left; }"
                           "QPushButton:focus { color: #ffd54f; }"));
        connect(m_btnPractice, &QPushButton::clicked, this, [this] { PracticeWithSimulatedDrone(); });
    }
    m_btnPractice->setGeometry(80, 566, 420, 24);
    setTabOrder(m_btnConnect, m_btnPractice); // beside the connect button, as on screen
    m_btnPractice->setFont(MakeCellFont(15));
    m_btnPractice->show();

    g_bDroneConnected = false;
    m_bPortOpen = false;
    m_linkState = LinkState::None;
    ShowTexts();
    StartupMark("main window's controls made");
}

namespace {

QString LinkStateText(LinkState linkState) {
    return Tr(linkState == LinkState::Good   ? QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接良好"))
              : linkState == LinkState::Weak ? QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "信号弱"))
                                             : QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "未连接")));
}

} // namespace

void CAvilumaDlg::ShowTexts() {
    m_stcStartHint->SetText(kConnectFirstHintText);
    m_btnPractice->setText(Tr(kPracticeLinkText));
    // The names a screen reader reads for the picture buttons.
    m_btnExit->setAccessibleName(Aviluma::tr("退出游戏"));
    m_btnLevel->setAccessibleName(Aviluma::tr("闯关模式"));
    m_btnConnect->setAccessibleName(Aviluma::tr("连接无人机"));
    m_btnLinkState->setAccessibleName(Aviluma::tr("无人机连接状态"));
    m_btnLinkState->setAccessibleDescription(LinkStateText(m_linkState));
    m_btnLinkState->setToolTip(Aviluma::tr("无人机连接状态"));
    m_btnConnect->setToolTip(ConnectTip(m_bPortOpen, m_drone));
    ShowPlayer(); // the caption, the mode names and the padlocks
}

void CAvilumaDlg::UseLanguage(Language language, bool remember) {
    if (remember) {
        QString error;
        if (!WriteLanguageChoice(LanguageCode(language), &error))
            MessageBoxOk(error);
    }
    if (language == InstalledLanguage())
        return;
    if (!InstallLanguage(language)) {
        qCWarning(lcUi, "the %s translation could not be loaded", qPrintable(LanguageCode(language)));
        return;
    }
    // The simulated drone's window, a program of its own, follows.
    if (int error = 0; !PublishSessionLanguage(LanguageCode(language), &error))
        qCWarning(lcUi, "the simulated drone cannot be told of the language: %s", strerror(error));
    if (m_stcStartHint == nullptr)
        return; // not set up yet: it will be in this language
    // Words drawn once with the old language go: the padlocks are made again by ShowPlayer().
    for (CLockMark*& lock : m_lockModes)
        delete std::exchange(lock, nullptr);
    ShowTexts();
    if (m_classStatus)
        ShowClassStatus(*m_classStatus);
    update(); // the background's words
}

void CAvilumaDlg::UsePlayersLanguage() {
    if (LanguageFromCode(m_strLanguageOption))
        return;
    if (const std::optional<Language> stored = LanguageFromCode(ReadLanguageChoice()))
        UseLanguage(*stored, false);
}

QString ConnectMessage(const ConnectResult& result) {
    switch (result.outcome) {
    case ConnectOutcome::NoDrone:
        return Tr(kNoDroneText);
    case ConnectOutcome::PermissionDenied:
        return Aviluma::tr("无法打开无人机串口 %1：没有访问权限！\n"
                                                   "请将当前用户加入 dialout 组，注销并重新登录后再连接。")
            .arg(result.port);
    case ConnectOutcome::Busy:
        return Aviluma::tr("无人机串口 %1 正被其他程序占用！\n请关闭占用该串口的程序，串口空出后会自动连接。\n"
                      "若没有程序占用（例如游戏曾被强行结束），请拔下无人机再插上。")
            .arg(result.port);
    case ConnectOutcome::Connected:
    case ConnectOutcome::AlreadyConnected:
    case ConnectOutcome::Failed:
        break;
    }
    return QString();
}

QString ConnectTip(bool open, const DroneIdentity& drone) {
    if (!open)
        return Tr(kConnectTipText);
    return drone.serial.isEmpty()
               ? Aviluma::tr("已连接无人机：%1").arg(drone.port)
               : Aviluma::tr("已连接无人机：%1（序列号 %2）")
                     .arg(drone.port, drone.serial);
}

void CAvilumaDlg::ShowPortState(bool open, const DroneIdentity& drone) {
    OnUiThread([this, open, drone, tip = ConnectTip(open, drone)] {
        m_bPortOpen = open;
        m_drone = drone;
        m_btnConnect->SetStateIcons(LoadIconResource(open ? IDI_PORT_OPEN : IDI_PORT_CLOSED));
        m_btnConnect->setToolTip(tip);
        if (m_stcStartHint != nullptr)
            m_stcStartHint->setVisible(!open);
        if (m_btnPractice != nullptr)
            m_btnPractice->setVisible(!open);
    });
}

void CAvilumaDlg::ShowLinkState(LinkState linkState) {
    const int icon = linkState == LinkState::Good   ? IDI_LINK_GOOD
                     : linkState == LinkState::Weak ? IDI_LINK_WEAK
                                                    : IDI_LINK_NONE;
    const QString state = LinkStateText(linkState);
    OnUiThread([this, icon, state, linkState] {
        m_linkState = linkState;
        m_btnLinkState->SetStateIcons(LoadIconResource(icon));
        m_btnLinkState->setAccessibleDescription(state);
        if (linkState == LinkState::Good) // asked from the event loop, once the icon shows
            QTimer::singleShot(0, this, [this] { OfferLessonToNewPlayer(); });
    });
}

void CAvilumaDlg::ShowModeNames() {
    const bool locked = m_nGrade < kLevelCount;
    for (const auto& [button, source] :
         {std::pair{m_btnWild, QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "狂野模式"))},
          std::pair{m_btnEndless, QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无尽模式"))}}) {
        const QString mode = Tr(source);
        button->setAccessibleName(
            locked ? Aviluma::tr("%1（未开启）").arg(mode) : mode);
        button->setAccessibleDescription(locked ? Tr(kModesLockedText) : QString());
    }
}

void CAvilumaDlg::ShowPlayer() {
    const std::optional<Player> player = CurrentPlayer();
    const QString caption =
        player
            ? Aviluma::tr("%1　%2").arg(Tr(kMainCaption), player->name)
            : Tr(kMainCaption);
    m_stcTitle->SetText(caption);
    setWindowTitle(caption);
    m_nGrade = ReadOpenLevel();
    m_btnWild->SetHoverBorder(m_nGrade == kLevelCount);
    m_btnEndless->SetHoverBorder(m_nGrade == kLevelCount);
    // The wild and endless cards look locked until they open.
    const bool locked = m_nGrade < kLevelCount;
    ShowModeNames();
    for (std::size_t k = 0; k < m_lockModes.size(); ++k) {
        if (locked && m_lockModes[k] == nullptr)
            m_lockModes[k] = new CLockMark(this, ControlRect(k == 0 ? IDC_BTN_WILD : IDC_BTN_ENDLESS),
                                           CLockMark::Style::Card, kModesLockedText);
        else if (!locked && m_lockModes[k] != nullptr)
            delete std::exchange(m_lockModes[k], nullptr);
    }
}

QString ClassStatusText(const ClassStatus& status) {
    QString text =
        status.waiting > 0
            ? Aviluma::tr("班级：%1 局等待上传").arg(status.waiting)
            : Tr(status.connected ? QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级：已连接"))
                                  : QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "班级：未连接")));
    if (status.setAside > 0)
        text += Aviluma::tr("，%1 局无法上传").arg(status.setAside);
    return text;
}

void CAvilumaDlg::ShowClassStatus(const ClassStatus& status) {
    OnUiThread([this, status] {
        m_classStatus = status;
        if (m_stcClass == nullptr) {
            m_stcClass = new QLabel(this);
            // White on the window's picture. A palette, not a style sheet: a sheet would reach the
            // label's hover text too, white on its pale yellow.
            QPalette palette = m_stcClass->palette();
            palette.setColor(QPalette::WindowText, Qt::white);
            m_stcClass->setPalette(palette);
            m_stcClass->setGeometry(80, 514, 400, 24);
            m_stcClass->show();
        }
        m_stcClass->setText(ClassStatusText(status));
        QStringList tip;
        if (!status.lastError.isEmpty())
            tip << Aviluma::tr("上次的问题：") + status.lastError;
        // What the player can do with games the server will never take: they are kept, not lost.
        if (status.setAside > 0)
            tip << Tr(QStringLiteral(
                          QT_TRANSLATE_NOOP("Aviluma", "无法上传的成绩保存在 %1，请交给教练处理。")))
                           .arg(RefusedOutboxFolder()) +
                       (status.lastSetAside.isEmpty()
                            ? QString()
                            : QLatin1Char('\n') +
                                  Aviluma::tr("最近一局的原因：") +
                                  status.lastSetAside);
        m_stcClass->setToolTip(tip.join(QLatin1Char('\n')));
    });
}

void CAvilumaDlg::ChoosePlayer(bool atStart) {
    if (QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != this)
        return; // a game or another window is open
    CDlgPlayers chooser(this);
    if (chooser.exec() == QDialog::Accepted && chooser.Chosen()) {
        if (QString error; UsePlayer(chooser.Chosen(), &error))
            UsePlayersLanguage();
        else
            MessageBoxOk(error);
    } else if (atStart) {
        // Nobody chosen: the game goes on with whoever flew last, and says so.
        const std::optional<Player> player = CurrentPlayer();
        const QString who =
            player ? Aviluma::tr("没有选择玩家：这次由“%1”飞行。")
                         .arg(player->name)
                   : Tr(QStringLiteral(
                         QT_TRANSLATE_NOOP("Aviluma", "没有选择玩家：这次的进度记在本机，不属于任何玩家。")));
        MessageBoxOk(who + QLatin1Char('\n') +
                     Aviluma::tr("要换人，请在右键菜单里选“%1”。")
                         .arg(QString(Tr(kSwitchPlayerItemText).section(QLatin1Char('\t'), 0, 0))
                                  .remove(QRegularExpression(QStringLiteral("\\(&.\\)")))
                                  .remove(QLatin1Char('&'))));
    }
    ShowPlayer();
    OfferLessonToNewPlayer(); // a new player on a drone already connected
}

void CAvilumaDlg::OnBtnConnect() {
    const QString message = ConnectMessage(m_link.Connect());
    if (!message.isEmpty())
        MessageBoxOk(message);
}

void CAvilumaDlg::PracticeWithSimulatedDrone() {
    QString error;
    if (!startPracticeDrone(&error)) {
        MessageBoxOk(error);
        return;
    }
    // The simulated drone lists itself within a moment of starting: the connect button's work is
    // tried until it is there, as the player would press it.
    constexpr int kTryEveryMs = 250;
    constexpr int kTries = 40;
    if (m_practiceConnect == nullptr) {
        m_practiceConnect = new QTimer(this);
        connect(m_practiceConnect, &QTimer::timeout, this, [this] {
            const ConnectResult result = m_link.Connect();
            if (result.outcome == ConnectOutcome::NoDrone && ++m_nPracticeTries < kTries)
                return;
            m_practiceConnect->stop();
            if (const QString message = ConnectMessage(result); !message.isEmpty())
                MessageBoxOk(message);
        });
    }
    m_nPracticeTries = 0;
    m_practiceConnect->start(kTryEveryMs);
}

void CAvilumaDlg::OfferLessonToNewPlayer() {
    if (QApplication::activeModalWidget() != nullptr && QApplication::activeModalWidget() != this)
        return; // a game or another window is open
    const std::optional<Player> player = CurrentPlayer();
    const QString who = player ? player->folder : QString();
    if (m_link.State() != LinkState::Good || m_lessonOffered.count(who) != 0 || CurrentPlayerHasFlown())
        return;
    m_lessonOffered.insert(who);
    if (MessageBoxYesNo(kLessonOfferText))
        OnLesson();
}

void CAvilumaDlg::OnLesson() {
    if (m_link.State() != LinkState::Good) {
        MessageBoxOk(kLinkFaultText);
        return;
    }
    if (m_dlgLesson.DoModal() != QDialog::Accepted)
        return; // left before levelling, or the drone went quiet: the main window again
    g_nGameMode = GameMode::Level;
    m_dlgMap.PlayAtOpening(1);
    m_dlgMap.DoModal();
    ShowPlayer(); // the levels just passed
}

void CAvilumaDlg::OnBtnLevel() {
    g_nGameMode = GameMode::Level;
    if (m_link.State() != LinkState::Good) {
        MessageBoxOk(kLinkFaultText);
        return;
    }
    m_dlgMap.DoModal();
    ShowPlayer(); // the levels just passed may have opened wild and endless
}

void CAvilumaDlg::OnBtnWild() {
    OnBtnWildOrEndless(GameMode::Wild);
}

void CAvilumaDlg::OnBtnEndless() {
    OnBtnWildOrEndless(GameMode::Endless);
}

void CAvilumaDlg::OnBtnWildOrEndless(GameMode gameMode) {
    g_nGameMode = gameMode;
    // A locked mode, or one without a good link, opens nothing: the chooser's competition would
    // empty the top threes for a game that cannot start.
    if (m_nGrade < kLevelCount) {
        MessageBoxOk(kLevelsFirstText);
        return;
    }
    if (m_link.State() != LinkState::Good) {
        MessageBoxOk(kLinkFaultText);
        return;
    }
    if (m_dlgGameType.DoModal() == QDialog::Accepted) // Esc or the close box: nothing to play
        m_dlgRun.DoModal();
}

void CAvilumaDlg::OnBtnExit() {
    if (MessageBoxYesNo(kExitQuestionText))
        OnCancel();
}

void CAvilumaDlg::OnCancel() {
    // Esc and the close command leave without the question.
    m_link.StopLink();
    EndDialog(QDialog::Rejected);
}

void CAvilumaDlg::Shutdown() {
    // The heartbeat and any game still running see the flag and end; then nothing of ours runs on.
    StopHeartbeat();
    m_dlgLesson.WaitForLessonEnd(kGameEndBound);
    m_dlgRun.WaitForGameEnd(kGameEndBound);
    m_dlgMap.m_dlgRun.WaitForGameEnd(kGameEndBound);
    m_link.StopLink();
    ShutdownHeartbeat();
    m_practiceDrone.Stop();
}

void CAvilumaDlg::ShowSystemMenu(const QPoint& at) {
    // There is no caption with a system menu: the About item lives in the background's context menu.
    // Beside it, the training record: every game's total over time.
    QMenu menu(this);
    QAction* about = menu.addAction(Tr(kAboutItemText));
    QAction* progress = menu.addAction(Tr(kProgressItemText));
    QAction* lesson = menu.addAction(Tr(kLessonItemText));
    QAction* player = menu.addAction(Tr(kSwitchPlayerItemText));
    QAction* classroom = menu.addAction(Tr(kClassItemText));
    QMenu* languages = menu.addMenu(kLanguageItemText);
    QAction* chinese = languages->addAction(QStringLiteral("中文"));
    QAction* english = languages->addAction(QStringLiteral("English"));
    for (QAction* language : {chinese, english})
        language->setCheckable(true);
    (InstalledLanguage() == Language::English ? english : chinese)->setChecked(true);
    const QAction* chosen = menu.exec(at);
    if (chosen == chinese || chosen == english) {
        UseLanguage(chosen == english ? Language::English : Language::Chinese, true);
    } else if (chosen == lesson) {
        OnLesson();
    } else if (chosen == player) {
        ChoosePlayer();
    } else if (chosen == classroom) {
        CDlgClass dialog(m_classChecks, this);
        if (dialog.exec() == QDialog::Accepted && onClassChanged)
            onClassChanged();
    } else if (chosen == about) {
        m_dlgAbout.DoModal();
    } else if (chosen == progress) {
        m_dlgDebrief.OpenAt(CDlgDebrief::View::Progress);
        m_dlgDebrief.DoModal();
    }
}

void CAvilumaDlg::contextMenuEvent(QContextMenuEvent* event) {
    ShowSystemMenu(event->globalPos());
}

std::vector<int> CAvilumaDlg::TabOrder() const {
    return {IDC_BTN_CLOSE, IDC_BTN_LEVEL, IDC_BTN_WILD, IDC_BTN_ENDLESS, IDC_BTN_CONNECT};
}

void CAvilumaDlg::keyPressEvent(QKeyEvent* event) {
    // F1 wherever the desktop keeps Alt+Space for its own window menu.
    const bool aboutKey = event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier;
    if (aboutKey) {
        m_dlgAbout.DoModal();
        return;
    }
    if (event->key() == Qt::Key_F3 && event->modifiers() == Qt::NoModifier) {
        ChoosePlayer();
        return;
    }
    if (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier) {
        OnLesson();
        return;
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return;
    }
    CPictureDialog::keyPressEvent(event);
}

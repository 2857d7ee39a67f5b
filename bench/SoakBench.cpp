// The whole game for a long time: the main window, the level map, the practice/competition chooser and
// the run windows on the offscreen platform, the link service on the simulated drone's pseudo-terminal,
// and the drone flown by its autopilot. Level, wild and endless games follow one another as a player
// would click through them, the drone is unplugged and plugged in again every few games, and the
// players' files go to a temporary folder. Message boxes and the name entry are answered as a player
// would. Prints resident memory, open descriptors, threads and games at the start and at every report,
// and judges at the end:
//
//   - resident memory not growing: the slope of a straight line through its values at rest after
//     every game at most 20 KiB a minute, judged from the point at which every kind of game of the
//     schedule (its mode, practice or competition) has been played once, when what each kind makes
//     once has been made;
//   - descriptors and threads back to their value at rest after every game and every replug;
//   - no stuck game (one that makes no progress, or runs far past the longest game possible);
//   - nothing else going wrong: no refused start, no unexpected message, the link back after each replug.
//
// Exits with 0 when every goal held, 1 when one failed, 3 when the program stopped moving.
//
//   bench_soak [--minutes N] [--report-minutes M] [--replug-every K] [--each-game]
#include "app/AvilumaDlg.h"
#include "game/CommandExchange.h"
#include "game/Scoring.h"
#include "platform/DeviceList.h"
#include "platform/UiThread.h"
#include "records/History.h"
#include "records/Records.h"
#include "records/SaveFailures.h"
#include "res/Resource.h"
#include "sim/FlightLoop.h"
#include "sim/SimDrone.h"
#include "state/DataFolders.h"
#include "state/Globals.h"
#include "widgets/Fonts.h"
#include "windows/DlgGameType.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include <utility>
#include <vector>

#include <dirent.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::chrono::milliseconds kTickPeriod{20};
// A 100 KiB-a-minute leak is far over the goal; the allocator's own ups and downs over an hour are not.
constexpr double kRssSlopeGoalKiBPerMinute = 20.0;
constexpr double kSlopeOverMinutes = 5.0; // samples must span this much for a slope worth the name
// Descriptors and threads of a game that just ended (the worker posting its last word, a window's
// timers) may take a moment to go.
constexpr std::chrono::milliseconds kSettleBound{5000};
constexpr std::chrono::milliseconds kFirstSettle{2000};  // before the values at rest are taken
constexpr std::chrono::milliseconds kLossBound{5000};    // the link notices an unplugged drone
constexpr std::chrono::milliseconds kAwayFor{1000};      // how long the drone stays unplugged
constexpr std::chrono::milliseconds kReturnBound{10000}; // then connect is pressed, as a player would
constexpr std::chrono::milliseconds kReturnGiveUp{30000};
constexpr std::chrono::milliseconds kPhaseBound{60000}; // any step outside a game
constexpr std::chrono::seconds kUiSilenceBound{120};    // the UI thread has stopped: the soak ends

// The longest an attempt can take: the start command with all its tries, the whole budget of the
// slowest difficulty, the hold, and the pause after a scoring attempt. A game that goes this long
// times kWatchdogFactor without a command to the drone, or past its longest possible length times
// kWatchdogFactor, is stuck.
constexpr std::chrono::milliseconds kPauseAfterScoringAttempt{1000}; // the game's pause between attempts
constexpr std::chrono::milliseconds kCommandExchange = kCommandTries * kAckPollsPerTry * kAckPollPeriod;
constexpr int LongestBudgetMs() {
    int longest = 0;
    for (const DifficultyRow& row : kDifficultyTable)
        longest = std::max(longest, row.budgetMs);
    return longest;
}
constexpr std::chrono::milliseconds kLongestAttempt =
    kCommandExchange + std::chrono::milliseconds(LongestBudgetMs() + kHoldTimeMs) + kPauseAfterScoringAttempt;
constexpr int kWatchdogFactor = 3;
constexpr std::chrono::milliseconds kProgressBound = kWatchdogFactor * kLongestAttempt;

// The longest a game of the mode can run; nullopt for endless, which goes on while attempts score.
std::optional<std::chrono::milliseconds> LongestGame(GameMode mode) {
    const int attempts = mode == GameMode::Level  ? kAttemptsPerLevel
                         : mode == GameMode::Wild ? kAttemptsPerLevel * kDifficultyCount
                                                  : 0;
    if (attempts == 0)
        return std::nullopt;
    return 2 * kCommandExchange + attempts * kLongestAttempt; // the opening and stop commands too
}

volatile std::sig_atomic_t g_bInterrupted = 0; // Ctrl+C: finish now, with the summary

struct Options {
    int minutes = 60;
    int reportMinutes = 10;
    int replugEvery = 3;
    bool eachGame = false;
};

bool ReadOptions(int argc, char* argv[], Options& options) {
    for (int i = 1; i < argc; ++i) {
        const auto number = [&](int& value) {
            if (i + 1 >= argc)
                return false;
            char* end = nullptr;
            const long read = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || read < 1 || read > 100000)
                return false;
            value = static_cast<int>(read);
            return true;
        };
        const char* arg = argv[i];
        const bool ok = std::strcmp(arg, "--minutes") == 0          ? number(options.minutes)
                        : std::strcmp(arg, "--report-minutes") == 0 ? number(options.reportMinutes)
                        : std::strcmp(arg, "--replug-every") == 0   ? number(options.replugEvery)
                        : std::strcmp(arg, "--each-game") == 0      ? (options.eachGame = true)
                                                                    : false;
        if (!ok) {
            std::fprintf(stderr, "usage: bench_soak [--minutes N (60)] [--report-minutes M (10)] "
                                 "[--replug-every K games (3)] [--each-game]\n");
            return false;
        }
    }
    return true;
}

// What the process holds, from /proc.
struct Figures {
    long rssKiB = -1;
    int fds = -1;
    int threads = -1;
};

Figures ReadFigures() {
    Figures figures;
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                figures.rssKiB = line.mid(6).trimmed().split(' ').value(0).toLong();
            else if (line.startsWith("Threads:"))
                figures.threads = line.mid(8).trimmed().toInt();
        }
    }
    if (DIR* dir = opendir("/proc/self/fd")) {
        int entries = 0;
        while (const dirent* entry = readdir(dir))
            entries += entry->d_name[0] != '.';
        closedir(dir);
        figures.fds = entries - 1; // not the one the listing itself holds
    }
    return figures;
}

// A time in minutes as mm:ss.
QString MinutesSeconds(double minutes) {
    const int seconds = static_cast<int>(minutes * 60);
    return QStringLiteral("%1:%2")
        .arg(seconds / 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

double Mib(long kiB) {
    return static_cast<double>(kiB) / 1024.0;
}

// The simulated drone plugged into the machine, flown by the autopilot with the reaction time of the
// player whose turn it is. Destroying it unplugs the drone.
class CPluggedDrone {
public:
    CPluggedDrone(std::uint32_t seed, const std::atomic<float>& reaction)
        : m_reaction(reaction), m_flight(m_drone, seed) {
        m_bStarted = m_drone.Start();
        m_flight.SetInput([this] { return Fly(); });
        m_flight.Start();
    }
    ~CPluggedDrone() { m_flight.Stop(); } // before the pilot it flies with goes
    CPluggedDrone(const CPluggedDrone&) = delete;
    CPluggedDrone& operator=(const CPluggedDrone&) = delete;

    bool Started() const { return m_bStarted; }
    int CommandsReceived() const { return m_drone.CountReceived(kMsgCommand); }

private:
    // On the flight loop's thread. The pilot forgets what it held when an attempt starts, as the
    // loop's own autopilot does; a command sent again after a missed answer is the same attempt.
    Stick Fly() {
        const std::optional<GameCommand> command = m_flight.LastCommand();
        if (command &&
            (!m_lastCommand || std::memcmp(&*command, &*m_lastCommand, sizeof(GameCommand)) != 0) &&
            command->action == kActionStart && command->difficulty != kOpeningDifficulty)
            m_pilot = CAutopilot(m_reaction.load());
        m_lastCommand = command;
        return m_pilot.Update(std::chrono::duration<float>(CFlightLoop::kStep).count(), m_flight.State());
    }

    const std::atomic<float>& m_reaction;
    CSimDrone m_drone;
    CFlightLoop m_flight;
    bool m_bStarted = false;
    CAutopilot m_pilot;                       // the flight loop's thread only
    std::optional<GameCommand> m_lastCommand; // the flight loop's thread only
};

// One game of the rotation: a level game, then endless, then wild, with the levels in turn, practice
// and competition taking turns, and players of three reaction times. Endless and wild are given
// slower players: at its own quarter second the autopilot passes nearly every attempt, and an endless
// game would seldom end.
struct GamePlan {
    GameMode mode;
    PlayType playType;
    int level;
    float reaction; // seconds
};

GamePlan PlanGame(int index) {
    constexpr std::array<float, 3> kLevelReactions = {CAutopilot::kReactionTime, 0.35f, 0.5f};
    const int round = index / 3;
    const PlayType playType = round % 2 == 0 ? PlayType::Practice : PlayType::Competition;
    switch (index % 3) {
    case 0:
        return {GameMode::Level, PlayType::Practice, round % kLevelCount + 1,
                kLevelReactions[static_cast<std::size_t>(round) % kLevelReactions.size()]};
    case 1:
        return {GameMode::Endless, playType, 0, 0.5f};
    default:
        return {GameMode::Wild, playType, 0, 0.35f};
    }
}

// A kind of game: its mode, practice or competition. Each kind makes things of its own once (the
// first competition game, for one, the name entry and the score sheet), so growth is judged only once
// every kind of the schedule has been played.
constexpr int kKinds = 3 * 2;
int KindOf(const GamePlan& plan) {
    return static_cast<int>(plan.mode) * 2 + static_cast<int>(plan.playType);
}

// The kinds the schedule plays: those of its games over a whole turn of the levels.
std::bitset<kKinds> ScheduleKinds() {
    std::bitset<kKinds> kinds;
    for (int game = 0; game < 2 * 3 * kLevelCount; ++game)
        kinds.set(static_cast<std::size_t>(KindOf(PlanGame(game))));
    return kinds;
}

const char* ModeName(GameMode mode) {
    return mode == GameMode::Level ? "level" : mode == GameMode::Wild ? "wild" : "endless";
}

template <typename Window>
Window* Top() {
    return dynamic_cast<Window*>(QApplication::activeModalWidget());
}

// Clicks from a timer of its own: the click may open a modal loop, inside which the soak's own timer
// must keep firing.
void Press(QAbstractButton* button) {
    QTimer::singleShot(0, [button = QPointer<QAbstractButton>(button)] {
        if (button)
            button->click();
    });
}

class CSoak {
public:
    CSoak(const Options& options, CAvilumaDlg& main) : m_options(options), m_main(main) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_lastTickMs = NowMs();
    }
    ~CSoak() { m_plugged.reset(); }

    void Start() {
        PlugIn();
        m_timer.start(kTickPeriod);
        Enter(Phase::Connect);
    }
    // The main window's loop has ended: the summary, and whether every goal held.
    bool Summarise();

    // For the watchdog on its own thread.
    std::int64_t LastTickMs() const { return m_lastTickMs.load(); }
    static std::int64_t NowMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    }
    std::atomic<int> saveFailures{0};

private:
    enum class Phase {
        Connect,     // press connect
        AwaitLink,   // the link turns good: the soak's clock starts
        Idle,        // the main window: the next game, a replug, or the end
        ToMap,       // the level map opens: press the level
        ToGameType,  // the chooser opens: practice or competition
        ToRun,       // the run window opens: press start
        Playing,     // the game runs: watch it until it ends
        Leaving,     // close the run window (and the map) back to the main window
        Settle,      // descriptors and threads back at rest
        AwaitLoss,   // the drone is unplugged: the link notices
        Away,        // the drone stays away a moment
        AwaitReturn, // plugged in again: the link comes back by itself
        Exit,        // the exit button has been pressed
    };

    void Tick();
    bool AnswerModal();
    void Enter(Phase phase) {
        m_phase = phase;
        m_phaseStart = Clock::now();
    }
    Clock::duration InPhase() const { return Clock::now() - m_phaseStart; }
    double Minutes() const {
        return m_bClockRunning ? std::chrono::duration<double, std::ratio<60>>(Clock::now() - m_start).count()
                               : 0.0;
    }
    bool TimeIsUp() const {
        return g_bInterrupted != 0 || Clock::now() - m_start >= std::chrono::minutes(m_options.minutes);
    }
    bool LinkIsGood() const { return m_main.m_link.State() == LinkState::Good && AttitudeIsFresh(); }

    void PlugIn();
    static const char* PhaseText(Phase phase);
    void BeginGame();
    // Ends a game that makes no progress, or runs far past the longest game possible.
    void WatchForStuckGame();
    // The game's end (or the soak's): the run window is closed.
    void WatchGame();
    void PrintGame(bool passed) const;
    void EndGame();
    void Settle();
    void Report(const char* label);
    void Fault(const char* what);
    // The program stopped moving where it should not: the summary, then out without waiting for it.
    [[noreturn]] void Abandon(const char* what);

    const Options& m_options;
    CAvilumaDlg& m_main;
    QTimer m_timer;
    std::atomic<std::int64_t> m_lastTickMs;
    Phase m_phase = Phase::Connect;
    Clock::time_point m_phaseStart, m_start;
    bool m_bClockRunning = false;

    std::atomic<float> m_reaction{CAutopilot::kReactionTime};
    std::unique_ptr<CPluggedDrone> m_plugged;
    std::uint32_t m_nSeed = 1;

    QPointer<QWidget> m_answered; // the box or name entry already being answered
    int m_nNames = 0;

    // The game under way.
    int m_nGame = 0;
    GamePlan m_plan{};
    QPointer<CDlgRun> m_run;
    bool m_bStartAnswered = false, m_bStarted = false, m_bClosing = false, m_bGameCounted = false;
    Clock::time_point m_gameStart, m_lastProgress;
    int m_nCommands = 0;

    // Counts and findings.
    std::array<int, 3> m_games{};
    int m_nLevelsPassed = 0, m_nClosedAtEnd = 0, m_nStuck = 0, m_nFaults = 0;
    int m_nGamesSinceReplug = 0, m_nReplugs = 0;
    bool m_bAfterReplug = false;
    Clock::duration m_longestLoss{}, m_longestReturn{};
    Clock::time_point m_unplugged;
    bool m_bConnectPressed = false;

    std::optional<Figures> m_rest; // at rest between games, taken after the first
    int m_nChecks = 0, m_nUnsettled = 0, m_nMaxFdDeviation = 0, m_nMaxThreadDeviation = 0;
    int m_nReports = 0;
    std::chrono::minutes m_nextReport{0};
    const std::bitset<kKinds> m_scheduleKinds = ScheduleKinds();
    std::bitset<kKinds> m_playedKinds;      // of the games that ended by themselves
    std::optional<double> m_baselineMinute; // when every kind had been played and the judging began
    std::vector<std::pair<double, double>> m_rssAtRest; // (minute, KiB) from the baseline on
};

// The slope of the least-squares line through the points, per unit of their first coordinate.
double Slope(const std::vector<std::pair<double, double>>& points) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : points) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(points.size());
    const double denominator = n * sxx - sx * sx;
    return denominator == 0 ? 0 : (n * sxy - sx * sy) / denominator;
}

const char* CSoak::PhaseText(Phase phase) {
    switch (phase) {
    case Phase::Connect:
    case Phase::AwaitLink:
        return "the drone never connected";
    case Phase::Idle:
        return "the main window is not back on top";
    case Phase::ToMap:
        return "the level map did not open";
    case Phase::ToGameType:
        return "the practice/competition chooser did not open";
    case Phase::ToRun:
        return "the run window did not open";
    case Phase::Playing:
        return "the game did not end";
    case Phase::Leaving:
        return "the run window did not close";
    case Phase::Settle:
        return "the check at rest did not end";
    case Phase::AwaitLoss:
    case Phase::Away:
    case Phase::AwaitReturn:
        return "the replug did not end";
    case Phase::Exit:
        return "the program did not end";
    }
    return "";
}

void CSoak::PlugIn() {
    m_plugged = std::make_unique<CPluggedDrone>(m_nSeed++, m_reaction);
    if (!m_plugged->Started())
        Abandon("the simulated drone would not start");
}

void CSoak::Tick() {
    m_lastTickMs = NowMs();
    if (m_bClockRunning && Clock::now() - m_start >= m_nextReport) {
        Report(nullptr);
        m_nextReport += std::chrono::minutes(m_options.reportMinutes);
    }
    // Watched before anything is answered: a message box or name entry left standing is one way for a
    // game, or the soak, to stick.
    if (m_phase == Phase::Playing)
        WatchForStuckGame();
    else if (InPhase() > kPhaseBound)
        Abandon(PhaseText(m_phase));
    if (AnswerModal())
        return;

    switch (m_phase) {
    case Phase::Connect:
        Press(m_main.m_btnConnect);
        Enter(Phase::AwaitLink);
        break;
    case Phase::AwaitLink:
        if (LinkIsGood()) {
            m_start = Clock::now();
            m_bClockRunning = true;
            Enter(Phase::Idle);
        } else if (InPhase() > kReturnGiveUp) {
            Abandon("the drone never connected");
        }
        break;
    case Phase::Idle:
        if (Top<CAvilumaDlg>() == nullptr)
            break;
        if (TimeIsUp()) {
            Report("end");
            Press(m_main.m_btnExit); // its question is answered Yes
            Enter(Phase::Exit);
        } else if (m_nGamesSinceReplug >= m_options.replugEvery) {
            m_unplugged = Clock::now();
            m_plugged.reset();
            Enter(Phase::AwaitLoss);
        } else {
            BeginGame();
        }
        break;
    case Phase::ToMap:
        if (auto* map = Top<CDlgMap>()) {
            Press(map->m_btnLevels[static_cast<std::size_t>(m_plan.level - 1)]);
            Enter(Phase::ToRun);
        }
        break;
    case Phase::ToGameType:
        if (auto* chooser = Top<CDlgGameType>()) {
            Press(static_cast<QAbstractButton*>(chooser->GetDlgItem(
                m_plan.playType == PlayType::Competition ? IDC_BTN_COMPETITION : IDC_BTN_PRACTICE)));
            Enter(Phase::ToRun);
        }
        break;
    case Phase::ToRun:
        if (auto* run = Top<CDlgRun>()) {
            m_run = run;
            m_bStartAnswered = m_bStarted = m_bClosing = m_bGameCounted = false;
            m_nCommands = m_plugged->CommandsReceived();
            QTimer::singleShot(0, [this, run = m_run] {
                if (!run)
                    return;
                run->m_btnStart->click(); // a refusal shows its box from here
                m_bStarted = run->Playing();
                m_bStartAnswered = true;
            });
            m_gameStart = m_lastProgress = Clock::now();
            Enter(Phase::Playing);
        }
        break;
    case Phase::Playing:
        WatchGame();
        break;
    case Phase::Leaving:
        if (auto* map = Top<CDlgMap>()) {
            if (!m_bClosing) {
                Press(map->m_btnClose);
                m_bClosing = true;
            }
        } else if (Top<CAvilumaDlg>() != nullptr) {
            EndGame();
        }
        break;
    case Phase::Settle:
        Settle();
        break;
    case Phase::AwaitLoss:
        if (!g_bDroneConnected || InPhase() > kLossBound) {
            if (g_bDroneConnected)
                Fault("the link did not notice the unplugged drone");
            m_longestLoss = std::max(m_longestLoss, Clock::now() - m_unplugged);
            Enter(Phase::Away);
        }
        break;
    case Phase::Away:
        if (InPhase() >= kAwayFor) {
            PlugIn();
            m_bConnectPressed = false;
            Enter(Phase::AwaitReturn);
        }
        break;
    case Phase::AwaitReturn:
        if (LinkIsGood()) {
            m_longestReturn = std::max(m_longestReturn, InPhase());
            ++m_nReplugs;
            m_nGamesSinceReplug = 0;
            m_bAfterReplug = true;
            Enter(Phase::Settle);
        } else if (InPhase() > kReturnGiveUp) {
            Abandon("the drone did not come back after a replug, not even with connect pressed");
        } else if (InPhase() > kReturnBound && !m_bConnectPressed) {
            Fault("the link did not take the drone back by itself; connect pressed");
            Press(m_main.m_btnConnect);
            m_bConnectPressed = true;
        }
        break;
    case Phase::Exit:
        break;
    }
}

// Message boxes and the name entry, answered as a player would: OK, Yes (the soak's own questions
// only: a new competition over the last one's top threes, closing a game at the end, leaving the
// program), and a name.
bool CSoak::AnswerModal() {
    QWidget* top = QApplication::activeModalWidget();
    if (top != nullptr && top == m_answered)
        return true;      // the answer is on its way
    m_answered = nullptr; // the name entry belongs to its run window and opens again in a later game
    if (auto* box = qobject_cast<QMessageBox*>(top)) {
        m_answered = box;
        const QString text = box->text();
        if (text != kNewRecordText && text != kNewCompetitionText && text != kCloseDuringGameText &&
            text != kExitQuestionText) {
            std::printf("warning at %.1f min: a message: %s\n", Minutes(), qPrintable(text));
            ++m_nFaults;
        }
        for (QAbstractButton* button : box->buttons()) {
            const QMessageBox::ButtonRole role = box->buttonRole(button);
            if (role == QMessageBox::YesRole || role == QMessageBox::AcceptRole)
                Press(button);
        }
        return true;
    }
    if (auto* entry = dynamic_cast<CDlgRecord*>(top)) {
        m_answered = entry;
        static_cast<QLineEdit*>(entry->GetDlgItem(IDC_EDIT_NAME))
            ->setText(QStringLiteral("飞手%1").arg(m_nNames++ % 5 + 1));
        Press(static_cast<QAbstractButton*>(entry->GetDlgItem(IDC_BTN_TAKE_NAME)));
        return true;
    }
    return false;
}

void CSoak::BeginGame() {
    m_plan = PlanGame(m_nGame);
    m_reaction = m_plan.reaction;
    if (m_plan.mode == GameMode::Level) {
        Press(m_main.m_btnLevel);
        Enter(Phase::ToMap);
    } else {
        Press(m_plan.mode == GameMode::Wild ? m_main.m_btnWild : m_main.m_btnEndless);
        Enter(Phase::ToGameType);
    }
}

void CSoak::WatchForStuckGame() {
    if (!m_bStartAnswered) {
        if (InPhase() > kPhaseBound)
            Abandon("pressing start did not return");
        return;
    }
    if (!m_bStarted || !m_run)
        return;
    if (const int commands = m_plugged->CommandsReceived(); commands != m_nCommands) {
        m_nCommands = commands;
        m_lastProgress = Clock::now();
    }
    const Clock::duration played = Clock::now() - m_gameStart;
    const std::optional<std::chrono::milliseconds> longest = LongestGame(m_plan.mode);
    if (Clock::now() - m_lastProgress <= kProgressBound && !(longest && played > kWatchdogFactor * *longest))
        return;
    std::printf(
        "warning at %.1f min: game %d (%s) stuck: %.0f s played, %.0f s since the last command to the "
        "drone; closing it\n",
        Minutes(), m_nGame + 1, ModeName(m_plan.mode), std::chrono::duration<double>(played).count(),
        std::chrono::duration<double>(Clock::now() - m_lastProgress).count());
    ++m_nStuck;
    m_bClosing = false;
    Press(m_run->m_btnClose); // asks first during a game; answered Yes
    Enter(Phase::Leaving);
}

void CSoak::WatchGame() {
    if (!m_bStartAnswered || !m_run)
        return;
    if (!m_bStarted) {
        Fault("the start was refused");
        Press(m_run->m_btnClose);
        Enter(Phase::Leaving);
        return;
    }
    if (!m_run->Playing()) {
        m_bGameCounted = true;
        ++m_games[static_cast<std::size_t>(m_plan.mode)];
        m_playedKinds.set(static_cast<std::size_t>(KindOf(m_plan)));
        ++m_nGamesSinceReplug;
        const bool passed = m_plan.mode == GameMode::Level && g_nLevelResult == 1;
        m_nLevelsPassed += passed;
        if (m_options.eachGame)
            PrintGame(passed);
    } else if (TimeIsUp()) {
        ++m_nClosedAtEnd;
    } else {
        return;
    }
    m_bClosing = false;
    Press(m_run->m_btnClose); // during a game it asks first; answered Yes
    Enter(Phase::Leaving);
}

void CSoak::PrintGame(bool passed) const {
    const double seconds = std::chrono::duration<double>(Clock::now() - m_gameStart).count();
    const int total = static_cast<int>(m_run->m_fTotalScore.load());
    const double reaction = static_cast<double>(m_plan.reaction);
    if (m_plan.mode == GameMode::Level)
        std::printf("  %6.1f  game %d: level %d, pilot %.2f s: %s, total %d, %.0f s\n", Minutes(),
                    m_nGame + 1, m_plan.level, reaction, passed ? "passed" : "failed", total, seconds);
    else
        std::printf("  %6.1f  game %d: %s %s, pilot %.2f s: total %d, %.0f s\n", Minutes(), m_nGame + 1,
                    ModeName(m_plan.mode),
                    m_plan.playType == PlayType::Competition ? "competition" : "practice", reaction, total,
                    seconds);
}

void CSoak::EndGame() {
    // A close gives the game a bounded time to end; one still running is beyond saving.
    if (m_run && m_run->Playing())
        Abandon("a game closed by its window is still running");
    ++m_nGame;
    m_bAfterReplug = false;
    // Only a game that ended by itself leaves the program as it was at rest: closing one during play
    // also ends the heartbeat until the next opening.
    Enter(m_bGameCounted ? Phase::Settle : Phase::Idle);
}

void CSoak::Settle() {
    const Figures now = ReadFigures();
    if (!m_rest) {
        // The values at rest are taken after the first game, once what is made once (the heartbeat,
        // Qt's font and picture caches) has been made.
        if (InPhase() < kFirstSettle)
            return;
        m_rest = now;
        std::printf("at rest after the first game: %d fds, %d threads\n", now.fds, now.threads);
    } else {
        const bool back = now.fds == m_rest->fds && now.threads == m_rest->threads;
        if (!back && InPhase() < kSettleBound)
            return;
        ++m_nChecks;
        if (!m_baselineMinute && (m_playedKinds & m_scheduleKinds) == m_scheduleKinds) {
            m_baselineMinute = Minutes();
            std::printf("baseline at %s: every kind of game has been played once; memory is judged from "
                        "here\n",
                        qPrintable(MinutesSeconds(*m_baselineMinute)));
        }
        if (m_baselineMinute)
            m_rssAtRest.emplace_back(Minutes(), static_cast<double>(now.rssKiB));
        m_nMaxFdDeviation = std::max(m_nMaxFdDeviation, std::abs(now.fds - m_rest->fds));
        m_nMaxThreadDeviation = std::max(m_nMaxThreadDeviation, std::abs(now.threads - m_rest->threads));
        if (!back) {
            ++m_nUnsettled;
            std::printf("warning at %.1f min: after %s %d: %d fds, %d threads (at rest: %d, %d)\n", Minutes(),
                        m_bAfterReplug ? "replug" : "game", m_bAfterReplug ? m_nReplugs : m_nGame, now.fds,
                        now.threads, m_rest->fds, m_rest->threads);
        }
    }
    Enter(Phase::Idle);
}

void CSoak::Report(const char* label) {
    const Figures now = ReadFigures();
    if (m_nReports == 0)
        std::printf("%7s  %8s  %4s  %7s  %6s  %5s  %7s  %7s\n", "min", "RSS MiB", "fds", "threads", "level",
                    "wild", "endless", "replugs");
    ++m_nReports;
    char minutes[32];
    if (label != nullptr)
        std::snprintf(minutes, sizeof minutes, "%.1f %s", Minutes(), label);
    else
        std::snprintf(minutes, sizeof minutes, "%.1f", Minutes());
    std::printf("%7s  %8.1f  %4d  %7d  %6d  %5d  %7d  %7d\n", minutes, Mib(now.rssKiB), now.fds, now.threads,
                m_games[0], m_games[1], m_games[2], m_nReplugs);
}

void CSoak::Fault(const char* what) {
    std::printf("warning at %.1f min: %s\n", Minutes(), what);
    ++m_nFaults;
}

void CSoak::Abandon(const char* what) {
    std::printf("stuck at %.1f min: %s\n", Minutes(), what);
    ++m_nStuck;
    Report("abandoned");
    Summarise();
    std::fflush(stdout);
    std::_Exit(3);
}

bool CSoak::Summarise() {
    const int history =
        static_cast<int>(QDir(HistoryFolder()).entryList(QDir::Files | QDir::NoDotAndDotDot).size());
    std::printf("\nsummary after %.1f min\n", Minutes());
    std::printf("  games: level %d (%d passed), wild %d, endless %d; %d closed at the end; %d kept in the "
                "history\n",
                m_games[0], m_nLevelsPassed, m_games[1], m_games[2], m_nClosedAtEnd, history);
    std::printf("  replugs: %d", m_nReplugs);
    if (m_nReplugs > 0)
        std::printf(" (the loss noticed within %.0f ms, the link good again within %.1f s)",
                    std::chrono::duration<double, std::milli>(m_longestLoss).count(),
                    std::chrono::duration<double>(m_longestReturn).count());
    std::printf("\n");

    bool ok = true;
    const auto verdict = [&ok](bool held) {
        ok = ok && held;
        return held ? "ok" : "FAILED";
    };
    if (!m_baselineMinute) {
        std::printf("  RSS: not judged: the run ended before every kind of game had been played once (%zu of "
                    "%zu kinds)\n",
                    (m_playedKinds & m_scheduleKinds).count(), m_scheduleKinds.count());
    } else if (m_rssAtRest.size() >= 3 &&
               m_rssAtRest.back().first - m_rssAtRest.front().first >= kSlopeOverMinutes) {
        const double slope = Slope(m_rssAtRest);
        std::printf("  RSS at rest (%zu values after games and replugs), baseline taken after every kind "
                    "of game had been played once, at %s: %.1f to %.1f MiB, slope %+.1f KiB/min (goal at "
                    "most %.0f): %s\n",
                    m_rssAtRest.size(), qPrintable(MinutesSeconds(*m_baselineMinute)),
                    m_rssAtRest.front().second / 1024, m_rssAtRest.back().second / 1024, slope,
                    kRssSlopeGoalKiBPerMinute, verdict(slope <= kRssSlopeGoalKiBPerMinute));
    } else {
        std::printf("  RSS: not judged: too short a run after the baseline (every kind of game played "
                    "once, at %s) for a slope over %.0f minutes\n",
                    qPrintable(MinutesSeconds(*m_baselineMinute)), kSlopeOverMinutes);
    }
    if (m_rest)
        std::printf(
            "  at rest: %d fds, %d threads; %d checks after games and replugs, largest deviation %d fds, "
            "%d threads, %d not back: %s\n",
            m_rest->fds, m_rest->threads, m_nChecks, m_nMaxFdDeviation, m_nMaxThreadDeviation, m_nUnsettled,
            verdict(m_nUnsettled == 0));
    std::printf("  stuck: %d: %s\n", m_nStuck, verdict(m_nStuck == 0));
    std::printf("  other faults: %d, files not saved: %d: %s\n", m_nFaults, saveFailures.load(),
                verdict(m_nFaults == 0 && saveFailures == 0));
    std::printf("result: %s\n", ok ? "every goal held" : "a goal failed");
    return ok;
}

// Ends the soak when the UI thread has stopped turning: a deadlock there would stop the soak's own timer
// with it.
class CWatchdog {
public:
    explicit CWatchdog(const CSoak& soak)
        : m_thread([this, &soak] {
              std::unique_lock lock(m_mutex);
              while (!m_wake.wait_for(lock, 1s, [this] { return m_bStop; })) {
                  const auto silent = std::chrono::milliseconds(CSoak::NowMs() - soak.LastTickMs());
                  if (silent > kUiSilenceBound) {
                      std::printf("stuck: the UI thread has not run for %lld s\n",
                                  static_cast<long long>(
                                      std::chrono::duration_cast<std::chrono::seconds>(silent).count()));
                      std::fflush(stdout);
                      std::_Exit(3);
                  }
              }
          }) {}
    ~CWatchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
    std::thread m_thread;
};

} // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (!ReadOptions(argc, argv, options))
        return 2;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen"); // unattended: no display needed, none used
    qSetMessagePattern(QStringLiteral("aviluma: %{if-category}%{category}: %{endif}%{message}"));
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    CUiThread::Attach();
    std::signal(SIGINT, [](int) { g_bInterrupted = 1; });

    // A machine of its own: no real drone (an empty sysfs), a private registry for the simulated one,
    // the players' files in a temporary folder, every level open so wild and endless may be played.
    QTemporaryDir sysfs, registry, files;
    QDir(sysfs.path()).mkpath(QStringLiteral("class/tty"));
    SetSysfsRoot(sysfs.path());
    SetDeviceRegistryFolder(registry.path() + QStringLiteral("/devices"));
    InitAppDir(); // the instrument pictures beside the program
    const QDir dir(files.path());
    dir.mkpath(QStringLiteral("Data"));
    dir.mkpath(QStringLiteral("Record"));
    SetDataFolders({dir.filePath(QStringLiteral("Data")), dir.filePath(QStringLiteral("Record"))});
    WriteOpenLevel(kLevelCount);

    std::printf(
        "bench_soak: %d min of level, endless and wild games against the simulated drone on "
        "autopilot, a report every %d min, the drone unplugged every %d games; players' files in %s\n",
        options.minutes, options.reportMinutes, options.replugEvery, qPrintable(files.path()));
    bool ok = false;
    {
        CAvilumaDlg main;
        CSoak soak(options, main);
        SetSaveFailureListener([&soak](const QString& path, int error, bool) {
            std::printf("warning: %s not saved: %s\n", qPrintable(path), std::strerror(error));
            ++soak.saveFailures;
        });
        CWatchdog watchdog(soak);
        QTimer::singleShot(0, [&soak] { soak.Start(); });
        main.DoModal();
        main.Shutdown();
        ok = soak.Summarise();
        SetSaveFailureListener({});
    }
    CUiThread::Detach();
    return ok ? 0 : 1;
}

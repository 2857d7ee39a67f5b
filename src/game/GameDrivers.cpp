#include "game/GameDrivers.h"

#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "platform/LocalClock.h"
#include "platform/Translation.h"
#include "records/History.h"
#include "records/Outbox.h"
#include "records/Players.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "state/Globals.h"
#include "state/Log.h"

#include <QScopeGuard>

#include <mutex>
#include <random>

namespace {

constexpr std::chrono::milliseconds kPauseAfterAttempt{1000};

} // namespace

QString DifficultyAttemptText(int difficulty, int attempt) {
    return Aviluma::tr("难度：%1 — 次数：%2")
        .arg(difficulty)
        .arg(attempt);
}

QString DifficultyText(int difficulty) {
    return Aviluma::tr("难度：%1").arg(difficulty);
}

QString AttemptGuideText(GameMode mode, int level, int difficultyIndex) {
    const QString game =
        mode == GameMode::Level  ? Aviluma::tr("第 %1 关").arg(level)
        : mode == GameMode::Wild ? Aviluma::tr("狂野模式")
                                 : Aviluma::tr("无尽模式");
    const int seconds = kDifficultyTable[static_cast<std::size_t>(difficultyIndex)].budgetMs / 1000;
    return Aviluma::tr("%1 · 难度 %2 · 时限 %3 秒")
        .arg(game)
        .arg(difficultyIndex + 1)
        .arg(seconds);
}

namespace {

// Why the attempt ended the game ("10 秒内未能稳定"); empty when it did not fail.
QString FailureReason(const AttemptRecord& last) {
    if (last.end == AttemptEnd::OutOfTime)
        return Aviluma::tr("%1 秒内未能稳定").arg(last.budgetMs / 1000);
    // The guide is only shown while the window is open: an attempt cut short then lost its drone.
    if (last.end == AttemptEnd::Cut)
        return Tr(CutShortText(GameEnd::LinkLost));
    if (static_cast<double>(last.points) < kPassPoints)
        return Aviluma::tr("稳定得太晚，没有得分");
    return {};
}

} // namespace

QString GameEndGuideText(const std::vector<AttemptRecord>& attempts, int total) {
    const QString end = Aviluma::tr("游戏结束 · 总分 %1").arg(total);
    if (attempts.empty())
        return end;
    const QString why = FailureReason(attempts.back());
    if (why.isEmpty())
        return Aviluma::tr("全部 %1 次都已稳定 · %2")
            .arg(attempts.size())
            .arg(end); // wild, every difficulty
    return Aviluma::tr("第 %1 次：%2 · %3")
        .arg(attempts.back().number)
        .arg(why, end);
}

QString LevelFailedGuideText(const std::vector<AttemptRecord>& attempts) {
    if (attempts.empty())
        return {};
    return Aviluma::tr("第 %1 次：%2")
        .arg(attempts.back().number)
        .arg(FailureReason(attempts.back()));
}

QString AttemptPassedSpeech(const AttemptRecord& attempt, int total) {
    return Aviluma::tr("第 %1 次成功，%2 秒稳定，总分 %3")
        .arg(attempt.number)
        .arg(static_cast<double>(attempt.secondsToLevel), 0, 'f', 1)
        .arg(total);
}

QString LevelEndSpeech(bool passed, const std::vector<AttemptRecord>& attempts, int total) {
    if (passed)
        return Aviluma::tr("%1 总分 %2")
            .arg(Tr(kLevelPassedText))
            .arg(total);
    const QString why = LevelFailedGuideText(attempts);
    return why.isEmpty() ? Tr(kLevelFailedText) : Tr(kLevelFailedText) + QLatin1Char(' ') + why;
}

namespace {

std::mutex g_drawMutex;
std::function<int()> g_fixedDraw;

std::mt19937_64& DrawEngine() {
    static std::mt19937_64 engine = [] {
        std::random_device entropy;
        std::seed_seq seed{
            entropy(), entropy(), entropy(),
            static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count())};
        return std::mt19937_64(seed);
    }();
    return engine;
}

} // namespace

int DrawEndlessDifficulty() {
    std::lock_guard lock(g_drawMutex);
    if (g_fixedDraw)
        return g_fixedDraw();
    return std::uniform_int_distribution<int>(0, kDifficultyCount - 1)(DrawEngine());
}

void SetEndlessDraw(std::function<int()> draw) {
    std::lock_guard lock(g_drawMutex);
    g_fixedDraw = std::move(draw);
}

void SeedEndlessDraws(std::uint64_t seed) {
    std::lock_guard lock(g_drawMutex);
    DrawEngine().seed(seed);
}

CGameDrivers::GameState CGameDrivers::Settle() {
    if (!g_Link.Read().active)
        m_state = GameState::Closed;
    return m_state;
}

bool CGameDrivers::PlayAttempt(GameCommand& command, int difficulty, int attempt, const QString& status) {
    if (!LinkHolds(m_nGameLink)) {
        m_state = GameState::LinkLost; // no attempt starts on an attitude nobody can vouch for
        return false;
    }
    m_window.ShowGuide(AttemptGuideText(m_history.mode, m_history.level, difficulty));
    m_window.SetStatusText(status);
    command.action = kActionStart;
    command.difficulty = static_cast<std::uint8_t>(difficulty);
    command.attempt = static_cast<std::uint8_t>(attempt);
    SendGameCommand(command, m_nGameLink);
    AttemptRecord& record = m_history.attempts.emplace_back();
    record.number = static_cast<int>(m_history.attempts.size());
    bool lost = false;
    const float points = ScoreAttempt(static_cast<unsigned>(difficulty), &lost, &record, m_nGameLink);
    if (lost)
        m_state = GameState::LinkLost;
    // Difficulties as the window shows them, 1 to 10 (the drone is sent 0 to 9).
    qCDebug(lcGame, "attempt %d at difficulty %d: %.1f points", attempt + 1, difficulty + 1,
            static_cast<double>(points));
    if (lost || static_cast<double>(points) < kPassPoints)
        return false;
    const float total = m_fTotalScore.load() + points;
    m_fTotalScore = total;
    m_window.ShowScore(static_cast<int>(total));
    m_window.AnnounceResult(AttemptPassedSpeech(record, static_cast<int>(total)));
    GameSleep(kPauseAfterAttempt);
    return true;
}

bool CGameDrivers::FinishGame(GameCommand& command) {
    command.action = kActionStop;
    PostGameCommand(command, m_nGameLink);
    const GameState state = Settle();
    if (state == GameState::Closed)
        return false; // the window is closing: nothing is recorded, nothing said
    if (state == GameState::LinkLost) {
        const LinkLoss loss = LinkLossFor(g_Link.Read(), m_nGameLink);
        qCWarning(lcGame, "the game ended: %s",
                  loss == LinkLoss::OtherConnection ? "the drone it started on was lost"
                  : loss == LinkLoss::Thin          ? "too few attitude frames a second"
                                                    : "no fresh attitude from the drone");
        m_window.ShowLinkLost();
        return false;
    }
    return true;
}

void CGameDrivers::BeginHistory(GameMode mode, int level) {
    m_state = GameState::Playing;
    m_nGameLink = g_Link.Generation(); // the game belongs to this connection
    m_history = GameRecord();
    m_history.mode = mode;
    m_history.level = level;
    if (mode != GameMode::Level)
        m_history.playType = g_nPlayType.load();
    m_history.started = CurrentLocalTime();
    m_bNameAsked = false;
}

void CGameDrivers::KeepHistory(std::optional<bool> passed) {
    m_history.ended = CurrentLocalTime();
    const GameState state = Settle();
    m_history.end = state == GameState::Closed     ? GameEnd::Closed
                    : state == GameState::LinkLost ? GameEnd::LinkLost
                                                   : GameEnd::Finished;
    if (m_history.end == GameEnd::Finished)
        m_history.passed = passed;
    m_history.total = static_cast<int>(m_fTotalScore.load());
    if (m_bNameAsked)
        m_history.player = g_strPlayerName.Get();
    m_history.attemptCount = static_cast<int>(m_history.attempts.size());
    const QString path = WriteGameRecord(m_history); // a failure is logged; the game is over either way
    // A PC of a class also queues the game for the class server; the sender takes it from there.
    if (const std::optional<ClassSettings> settings = ReadClassSettings()) {
        WriteOutboxGame(m_history, *settings, CurrentPlayer());
    }
    std::lock_guard lock(m_historyMutex);
    m_strLastHistory = path;
}

QString CGameDrivers::LastHistoryPath() const {
    std::lock_guard lock(m_historyMutex);
    return m_strLastHistory;
}

void CGameDrivers::RunLevelGame() {
    const int level = g_nLevel;
    BeginHistory(GameMode::Level, level);
    bool passed = true;
    const auto keep = qScopeGuard([&] { KeepHistory(passed); });
    GameCommand command = OpeningCommand();
    SendGameCommand(command, m_nGameLink);

    for (int attempt = 0; attempt < kAttemptsPerLevel && passed; ++attempt)
        passed = PlayAttempt(command, level - 1, attempt, DifficultyAttemptText(level, attempt + 1));
    if (!FinishGame(command))
        return;
    if (!passed) {
        m_window.ShowGuide(LevelFailedGuideText(m_history.attempts)); // why, as wild and endless say
        m_window.SetResultText(kLevelFailedText);
        m_window.AnnounceResult(
            LevelEndSpeech(false, m_history.attempts, static_cast<int>(m_fTotalScore.load())));
        return;
    }
    g_nLevelResult = 1;
    const int total = static_cast<int>(m_fTotalScore.load());
    g_nScore = total;
    if (BeatsBestScore(level, total)) {
        m_window.ShowNewRecord();
        WriteBestScore(level, total);
        m_window.RefreshRecords();
    }
    m_window.SetResultText(kLevelPassedText);
    m_window.AnnounceResult(LevelEndSpeech(true, m_history.attempts, total));
}

void CGameDrivers::RunWildGame() {
    BeginHistory(GameMode::Wild, 0);
    const auto keep = qScopeGuard([this] { KeepHistory(std::nullopt); });
    GameCommand command = OpeningCommand();
    SendGameCommand(command, m_nGameLink);

    bool going = true;
    for (int difficulty = 0; difficulty < kDifficultyCount && going && Settle() == GameState::Playing;
         ++difficulty)
        for (int attempt = 0; attempt < kAttemptsPerLevel && going; ++attempt)
            going =
                PlayAttempt(command, difficulty, attempt, DifficultyAttemptText(difficulty + 1, attempt + 1));
    FinishListGame(command, GameMode::Wild, kWildSheetText);
}

void CGameDrivers::RunEndlessGame() {
    BeginHistory(GameMode::Endless, 0);
    const auto keep = qScopeGuard([this] { KeepHistory(std::nullopt); });
    GameCommand command = OpeningCommand();
    SendGameCommand(command, m_nGameLink);

    for (int attempts = 0; Settle() == GameState::Playing; ++attempts) {
        const int difficulty = DrawEndlessDifficulty();
        if (!PlayAttempt(command, difficulty, attempts % kAttemptsPerLevel, DifficultyText(difficulty + 1)))
            break;
    }
    FinishListGame(command, GameMode::Endless, kEndlessSheetText);
}

void CGameDrivers::FinishListGame(GameCommand& command, GameMode mode, const QString& sheetText) {
    if (!FinishGame(command))
        return;

    const int total = static_cast<int>(m_fTotalScore.load());
    const PlayType playType = g_nPlayType;
    const bool competition = playType == PlayType::Competition;
    const QString file = TopListFilePath(playType);
    const QString section = TopListSection(mode);
    const int rank = TopListInsertionRank(file, section, total);
    const QString end = GameEndGuideText(m_history.attempts, total);
    m_window.ShowGuide(end);
    m_window.AnnounceResult(end);
    if (competition) {
        m_bNameAsked = true;
        m_window.ShowNameEntry(total, rank);
        AppendSheetLine(total, sheetText, [this] { m_window.AskToCloseSheet(); });
    }
    g_nScore = total;
    if (rank == 0)
        return;
    if (!competition) {
        m_bNameAsked = true;
        m_window.ShowNameEntry(total,
                               rank); // a practice player is asked only for a result that enters the list
    }
    InsertTopListEntry(file, section, rank, total, g_strPlayerName.Get());
    m_window.RefreshRecords();
}

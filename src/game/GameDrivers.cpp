#include "game/GameDrivers.h"

#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "platform/LocalClock.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "state/Globals.h"

#include <random>

namespace {

constexpr std::chrono::milliseconds kPauseAfterAttempt{1000};

GameCommand OpeningCommand() {
    GameCommand command;
    command.action = kActionStart;
    command.difficulty = kOpeningDifficulty;
    return command;
}

} // namespace

QString DifficultyAttemptText(int difficulty, int attempt) {
    return QStringLiteral("难度：%1 — 次数：%2").arg(difficulty).arg(attempt);
}

QString DifficultyText(int difficulty) {
    return QStringLiteral("难度：%1").arg(difficulty);
}

int DrawEndlessDifficulty() {
    std::minstd_rand generator(
        static_cast<std::minstd_rand::result_type>(CurrentLocalTime().toSecsSinceEpoch()));
    return static_cast<int>(generator() % kDifficultyCount);
}

bool CGameDrivers::Interrupted() const {
    return !g_bLinkActive || m_bLinkLost;
}

bool CGameDrivers::PlayAttempt(GameCommand& command, int difficulty, int attempt, const QString& status) {
    if (!AttitudeIsFresh()) {
        m_bLinkLost = true; // no attempt starts on an attitude nobody can vouch for
        return false;
    }
    m_window.SetStatusText(status);
    command.action = kActionStart;
    command.difficulty = static_cast<std::uint8_t>(difficulty);
    command.attempt = static_cast<std::uint8_t>(attempt);
    SendGameCommand(command);
    const float points = ScoreAttempt(static_cast<unsigned>(difficulty), &m_bLinkLost);
    if (m_bLinkLost || static_cast<double>(points) < kPassPoints)
        return false;
    const float total = m_fTotalScore.load() + points;
    m_fTotalScore = total;
    m_window.ShowScore(static_cast<int>(total));
    GameSleep(kPauseAfterAttempt);
    return true;
}

bool CGameDrivers::FinishGame(GameCommand& command) {
    command.action = kActionStop;
    PostGameCommand(command);
    if (!g_bLinkActive)
        return false; // the window is closing: nothing is recorded, nothing said
    if (m_bLinkLost) {
        m_window.ShowLinkLost();
        return false;
    }
    return true;
}

void CGameDrivers::RunLevelGame() {
    m_bLinkLost = false;
    const int level = g_nLevel;
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    bool passed = true;
    for (int attempt = 0; attempt < kAttemptsPerLevel && passed; ++attempt)
        passed = PlayAttempt(command, level - 1, attempt, DifficultyAttemptText(level, attempt + 1));
    if (!FinishGame(command))
        return;
    if (!passed) {
        m_window.SetResultText(kLevelFailedText);
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
}

void CGameDrivers::RunWildGame() {
    m_bLinkLost = false;
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    bool going = true;
    for (int difficulty = 0; difficulty < kDifficultyCount && going && !Interrupted(); ++difficulty)
        for (int attempt = 0; attempt < kAttemptsPerLevel && going; ++attempt)
            going =
                PlayAttempt(command, difficulty, attempt, DifficultyAttemptText(difficulty + 1, attempt + 1));
    FinishListGame(command, GameMode::Wild, kWildSheetText);
}

void CGameDrivers::RunEndlessGame() {
    m_bLinkLost = false;
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    for (int attempts = 0; !Interrupted(); ++attempts) {
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
    if (competition) {
        m_window.ShowNameEntry();
        AppendSheetLine(total, sheetText, [this] { m_window.AskToCloseSheet(); });
    }
    const QString file = TopListFilePath(playType);
    const QString section = TopListSection(mode);
    g_nScore = total;
    const int rank = TopListInsertionRank(file, section, total);
    if (rank == 0)
        return;
    if (!competition)
        m_window.ShowNameEntry(); // a practice player is asked only for a result that enters the list
    InsertTopListEntry(file, section, rank, total, g_strPlayerName.Get());
    m_window.RefreshRecords();
}

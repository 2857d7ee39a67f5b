#include "game/GameDrivers.h"

#include "app/Globals.h"
#include "game/CommandExchange.h"
#include "game/GameClock.h"
#include "game/Scoring.h"
#include "platform/LocalClock.h"
#include "platform/MessageBox.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"

#include <random>

namespace {

constexpr std::chrono::milliseconds kPauseAfterAttempt{1000};
constexpr int kAttemptsPerDifficulty = 3;

GameCommand OpeningCommand() {
    GameCommand command;
    command.action = kActionStart;
    command.difficulty = kOpeningDifficulty;
    return command;
}

bool AttemptFailed(float points) {
    return static_cast<double>(points) < kPassPoints;
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

void CGameDrivers::AddPoints(float points) {
    const float total = m_fTotalScore.load() + points;
    m_fTotalScore = total;
    m_window.ShowScore(static_cast<int>(total));
}

void CGameDrivers::RunLevelGame() {
    const int level = g_nLevel;
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    bool passed = true;
    for (int attempt = 0; attempt < kAttemptsPerDifficulty; ++attempt) {
        m_window.SetStatusText(DifficultyAttemptText(level, attempt + 1));
        command.action = kActionStart;
        command.difficulty = static_cast<std::uint8_t>(level - 1);
        command.attempt = static_cast<std::uint8_t>(attempt);
        SendGameCommand(command);
        const float points = ScoreAttempt(static_cast<unsigned>(level - 1));
        if (AttemptFailed(points)) {
            passed = false;
            break;
        }
        AddPoints(points);
        GameSleep(kPauseAfterAttempt);
    }
    command.action = kActionStop;
    PostGameCommand(command);

    if (!g_bLinkActive)
        return; // the window is closing: nothing is recorded
    if (!passed) {
        m_window.SetResultText(kLevelFailedText);
        return;
    }
    g_nLevelResult = 1;
    const int total = static_cast<int>(m_fTotalScore.load());
    g_nScore = total;
    if (BeatsBestScore(level, total)) {
        MessageBoxOk(kNewRecordText);
        WriteBestScore(level, total);
        m_window.RefreshRecords();
    }
    m_window.SetResultText(kLevelPassedText);
}

void CGameDrivers::RunWildGame() {
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    bool over = false;
    for (int difficulty = 0; difficulty < kDifficultyCount && !over; ++difficulty) {
        if (!g_bLinkActive)
            break;
        for (int attempt = 0; attempt < kAttemptsPerDifficulty; ++attempt) {
            m_window.SetStatusText(DifficultyAttemptText(difficulty + 1, attempt + 1));
            command.action = kActionStart;
            command.difficulty = static_cast<std::uint8_t>(difficulty);
            command.attempt = static_cast<std::uint8_t>(attempt);
            SendGameCommand(command);
            const float points = ScoreAttempt(static_cast<unsigned>(difficulty));
            if (AttemptFailed(points)) {
                over = true;
                break;
            }
            AddPoints(points);
            GameSleep(kPauseAfterAttempt);
        }
    }
    FinishListGame(command, TopListSection(1), kWildSheetText);
}

void CGameDrivers::RunEndlessGame() {
    GameCommand command = OpeningCommand();
    SendGameCommand(command);

    int attempts = 0;
    if (g_bLinkActive) {
        do {
            const int difficulty = DrawEndlessDifficulty();
            m_window.SetStatusText(DifficultyText(difficulty + 1));
            command.action = kActionStart;
            command.difficulty = static_cast<std::uint8_t>(difficulty);
            command.attempt = static_cast<std::uint8_t>(attempts % kAttemptsPerDifficulty);
            ++attempts;
            SendGameCommand(command);
            const float points = ScoreAttempt(static_cast<unsigned>(difficulty));
            if (AttemptFailed(points))
                break;
            AddPoints(points);
            GameSleep(kPauseAfterAttempt);
        } while (g_bLinkActive);
    }
    FinishListGame(command, TopListSection(2), kEndlessSheetText);
}

void CGameDrivers::FinishListGame(GameCommand& command, const QString& section, const QString& sheetText) {
    command.action = kActionStop;
    PostGameCommand(command);
    if (!g_bLinkActive)
        return; // the window is closing: nothing is recorded

    const int total = static_cast<int>(m_fTotalScore.load());
    const bool competition = g_nPlayType != 0;
    if (competition) {
        m_window.ShowNameEntry();
        AppendSheetLine(total, sheetText);
    }
    const QString file = TopListFilePath(g_nPlayType);
    g_nScore = total;
    const int rank = TopListInsertionRank(file, section, total);
    if (rank == 0)
        return;
    if (!competition)
        m_window.ShowNameEntry(); // a practice player is asked only for a result that enters the list
    InsertTopListEntry(file, section, rank, total, g_strPlayerName.Get());
    m_window.RefreshRecords();
}

#include "game/GameDrivers.h"
#include "game/CommandExchange.h"
#include "game/Scoring.h"
#include "platform/ProfileFile.h"
#include "records/Records.h"
#include "records/ScoreSheet.h"
#include "state/Globals.h"
#include "state/LinkReading.h"
#include "support/LogCapture.h"
#include "support/ProgramFolder.h"
#include "support/RecordingWindow.h"
#include "support/VirtualDrone.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QLoggingCategory>
#include <QStringDecoder>

#include <array>

namespace {

using Payload = std::vector<std::uint8_t>;

using Driver = void (CGameDrivers::*)();
const std::pair<GameMode, Driver> kModes[] = {{GameMode::Level, &CGameDrivers::RunLevelGame},
                                              {GameMode::Wild, &CGameDrivers::RunWildGame},
                                              {GameMode::Endless, &CGameDrivers::RunEndlessGame}};

class GameDrivers : public ::testing::Test {
protected:
    void SetUp() override {
        g_strPlayerName.Set(QString());
        g_nLevelResult = 0;
        g_nScore = 0;
    }
    void TearDown() override { SetEndlessDraw({}); }

    void StartCompetition(GameMode mode) {
        g_nGameMode = mode;
        g_nPlayType = PlayType::Competition;
        ASSERT_TRUE(CreateScoreSheet());
    }
    QString Sheet() {
        QFile file(g_strSheetPath.Get());
        return file.open(QIODevice::ReadOnly) ? QStringDecoder("GB18030").decode(file.readAll()) : QString();
    }
    QString List(const QString& file, GameMode mode) {
        QStringList shown;
        for (const TopListEntry& e : ReadTopList(file, TopListSection(mode)))
            shown << QStringLiteral("%1:%2").arg(e.score).arg(e.name);
        return shown.join(QLatin1Char(' '));
    }
    std::vector<Payload> Payloads() const {
        std::vector<Payload> all;
        for (const auto& s : m_drone.sent)
            all.push_back(s.payload);
        return all;
    }

    CProgramFolder m_folder;
    CVirtualDrone m_drone;
    CRecordingWindow m_window;
    CGameDrivers m_game{m_window};
};

TEST_F(GameDrivers, APassedLevelShowsTheTotalAndRecordsANewBest) {
    g_nLevel = 1;
    g_nGameMode = GameMode::Level;
    m_drone.LevelAfterSamples({0, 15, 8}); // 10, 8.5 and 9.2 points
    m_game.RunLevelGame();

    EXPECT_EQ(m_window.statuses,
              (QStringList{QStringLiteral("难度：1 — 次数：1"), QStringLiteral("难度：1 — 次数：2"),
                           QStringLiteral("难度：1 — 次数：3")}));
    EXPECT_EQ(m_window.scores, (std::vector<int>{10, 18, 27}));
    EXPECT_FLOAT_EQ(m_game.m_fTotalScore, 27.7f);
    EXPECT_EQ(g_nLevelResult, 1);
    EXPECT_EQ(g_nScore, 27);
    EXPECT_EQ(m_window.newRecords, 1);
    EXPECT_EQ(ReadBestScore(1), 27);
    EXPECT_EQ(m_window.refreshes, 1);
    EXPECT_EQ(m_window.results, QStringList{kLevelPassedText});
    EXPECT_EQ(Payloads(), (std::vector<Payload>{{1, 100}, {1}, {1, 0, 1}, {1, 0, 2}, {0, 0, 2}}));
    // Opening answered at the first poll; each attempt: its answer, its samples (10 held after 0, 15 and
    // 8 bad ones), and the second's pause that follows every scoring attempt, the third's included.
    EXPECT_EQ(m_drone.nowMs, 100 + 3 * (100 + 10 * 100 + 1000) + (0 + 15 + 8) * 100);
}

// Every game goes into the history, read back field for field.
TEST_F(GameDrivers, AGameIsKeptInTheHistory) {
    g_nLevel = 2;
    g_nGameMode = GameMode::Level;
    m_drone.LevelAfterSamples({0, 15, -1});
    m_game.RunLevelGame();
    const std::vector<GameRecord> games = ReadHistory(false);
    ASSERT_EQ(games.size(), 1u);
    const GameRecord& game = games[0];
    EXPECT_EQ(game.path, m_game.LastHistoryPath());
    EXPECT_EQ(game.mode, GameMode::Level);
    EXPECT_EQ(game.level, 2);
    EXPECT_FALSE(game.playType.has_value());
    EXPECT_EQ(game.started, m_drone.LocalTime().addMSecs(-m_drone.nowMs));
    EXPECT_EQ(game.ended, m_drone.LocalTime());
    EXPECT_EQ(game.end, GameEnd::Finished);
    EXPECT_EQ(game.passed, false);
    EXPECT_EQ(game.total, 37); // 20 + 17, and nothing for the third
    ASSERT_EQ(game.attempts.size(), 3u);
    const AttemptRecord& first = game.attempts[0];
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(first.difficulty, 2);
    EXPECT_EQ(first.budgetMs, 10000);
    EXPECT_EQ(first.end, AttemptEnd::Level);
    EXPECT_EQ(first.samples.size(), 10u);
    EXPECT_EQ(first.samples.front(), (AttitudeSample{100, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(first.holdStartMs, 0);
    EXPECT_EQ(first.holdEndMs, 1000);
    EXPECT_FLOAT_EQ(first.points, 20.0f);
    const AttemptRecord& second = game.attempts[1];
    ASSERT_EQ(second.samples.size(), 25u); // 15 tilted, then the held second
    EXPECT_EQ(second.samples[14], (AttitudeSample{1500, 30.0f, 0.0f, 0.0f}));
    EXPECT_EQ(second.samples[15], (AttitudeSample{1600, 0.0f, 0.0f, 0.0f}));
    EXPECT_EQ(second.holdStartMs, 1500);
    EXPECT_EQ(second.holdEndMs, 2500);
    EXPECT_FLOAT_EQ(second.secondsToLevel, 1.5f);
    EXPECT_FLOAT_EQ(second.points, 17.0f);
    const AttemptRecord& third = game.attempts[2];
    EXPECT_EQ(third.end, AttemptEnd::OutOfTime);
    EXPECT_EQ(third.samples.size(), 100u);
    EXPECT_EQ(third.holdStartMs, -1);
    EXPECT_FLOAT_EQ(third.points, 0.0f);
}

TEST_F(GameDrivers, ALevelTotalEqualToTheBestWritesNothing) {
    g_nLevel = 2;
    WriteBestScore(2, 60);
    m_game.RunLevelGame(); // level throughout: 3 x 20
    EXPECT_EQ(g_nLevelResult, 1);
    EXPECT_EQ(m_window.newRecords, 0);
    EXPECT_EQ(m_window.refreshes, 0);
    EXPECT_EQ(m_window.results, QStringList{kLevelPassedText});
}

TEST_F(GameDrivers, AFailedLevelAttemptEndsTheGameAtOnce) {
    g_nLevel = 1;
    m_drone.LevelAfterSamples({-1});
    QLoggingCategory::setFilterRules(QStringLiteral("game.debug=true")); // as --verbose has it
    const auto quiet = qScopeGuard([] { QLoggingCategory::setFilterRules(QString()); });
    CLogCapture log;
    m_game.RunLevelGame();
    EXPECT_TRUE(log.Lines().contains(QStringLiteral("game: attempt 1 at difficulty 1: 0.0 points")))
        << qPrintable(log.Lines().join(u'\n'));  // as the window counts difficulties
    EXPECT_EQ(m_drone.nowMs, 100 + 100 + 10000); // opening, the attempt's answer, the budget; no pause
    EXPECT_TRUE(m_window.scores.empty());
    EXPECT_EQ(g_nLevelResult, 0);
    EXPECT_EQ(m_window.results, QStringList{kLevelFailedText});
    EXPECT_EQ(m_window.guides.back(), QStringLiteral("第 1 次：10 秒内未能稳定")); // why, as wild says
    EXPECT_EQ(Payloads().back(), Payload{0}); // stop, difficulty 0, attempt 0

    // A later attempt failing keeps the earlier points on screen but records nothing.
    m_window.results.clear();
    m_game.m_fTotalScore = 0.0f;
    m_drone.attemptStarts = 0;
    m_drone.LevelAfterSamples({0, -1});
    m_game.RunLevelGame();
    EXPECT_EQ(m_window.scores, std::vector<int>{10});
    EXPECT_EQ(ReadBestScore(1), 0);
    EXPECT_EQ(m_window.results, QStringList{kLevelFailedText});
}

// A screen reader hears every attempt that levels and how every game ended: a level's result and why it
// failed, a wild or endless game's end line. A game cut short says so in its message box alone.
TEST_F(GameDrivers, EveryLevelledAttemptAndEveryGameEndIsAnnounced) {
    const auto play = [&](GameMode mode, Driver run, std::vector<int> levelAfter) {
        g_nGameMode = mode;
        m_window.announcements.clear();
        m_game.m_fTotalScore = 0.0f;
        m_drone.attemptStarts = 0;
        m_drone.LevelAfterSamples(std::move(levelAfter));
        (m_game.*run)();
        return m_window.announcements;
    };
    g_nLevel = 1;
    g_nPlayType = PlayType::Practice;
    SetEndlessDraw([] { return 0; });
    EXPECT_EQ(play(GameMode::Level, &CGameDrivers::RunLevelGame, {0, 15, 8}),
              (QStringList{QStringLiteral("第 1 次成功，0.0 秒稳定，总分 10"),
                           QStringLiteral("第 2 次成功，1.5 秒稳定，总分 18"),
                           QStringLiteral("第 3 次成功，0.8 秒稳定，总分 27"),
                           QStringLiteral("恭喜你，闯关成功！ 总分 27")}));
    EXPECT_EQ(play(GameMode::Level, &CGameDrivers::RunLevelGame, {0, -1}),
              (QStringList{QStringLiteral("第 1 次成功，0.0 秒稳定，总分 10"),
                           QStringLiteral("闯关失败，请继续努力！ 第 2 次：10 秒内未能稳定")}));
    for (const auto& [mode, run] : {kModes[1], kModes[2]}) {
        const QStringList heard = play(mode, run, {-1});
        EXPECT_EQ(heard, QStringList{QStringLiteral("第 1 次：10 秒内未能稳定 · 游戏结束 · 总分 0")});
        EXPECT_EQ(heard.back(), m_window.guides.back()); // the line the window shows
    }

    m_drone.onTick = [&](long long now) {
        if (m_drone.attemptStarts == 2 && m_drone.silentFromMs < 0)
            m_drone.silentFromMs = now; // quiet during the second attempt
    };
    EXPECT_EQ(play(GameMode::Level, &CGameDrivers::RunLevelGame, {0, 0}),
              QStringList{QStringLiteral("第 1 次成功，0.0 秒稳定，总分 10")});
    EXPECT_EQ(m_window.linkLosses, 1);
}

TEST_F(GameDrivers, APerfectWildCompetitionPlaysThirtyAttempts) {
    StartCompetition(GameMode::Wild);
    m_game.RunWildGame();
    EXPECT_EQ(m_drone.attemptStarts, 30);
    EXPECT_EQ(m_window.scores.back(), 2520);
    EXPECT_EQ(m_window.statuses.back(), QStringLiteral("难度：10 — 次数：3"));
    EXPECT_EQ(Payloads().back(), (Payload{0, 9, 2}));
    EXPECT_EQ(m_window.nameEntries, 1); // for the sheet; the list does not ask again
    EXPECT_TRUE(Sheet().endsWith(QStringLiteral("玩家一,2520,狂野模式,09:01-03\r\n"))) << qPrintable(Sheet());
    EXPECT_EQ(List(RaceCfgPath(), GameMode::Wild), QStringLiteral("2520:玩家一 0: 0:"));
    EXPECT_EQ(m_window.refreshes, 1);
}

TEST_F(GameDrivers, AWildGameLostAtOnceRecordsOnlyTheCompetitionLine) {
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Practice;
    m_drone.LevelAfterSamples({-1});
    m_game.RunWildGame();
    EXPECT_EQ(m_window.nameEntries, 0);
    EXPECT_FALSE(QFile::exists(RecordCfgPath()));

    StartCompetition(GameMode::Wild);
    m_drone.attemptStarts = 0;
    m_game.RunWildGame();
    EXPECT_EQ(m_window.nameEntries, 1);
    EXPECT_TRUE(Sheet().contains(QStringLiteral("玩家一,0,狂野模式,"))) << qPrintable(Sheet());
    EXPECT_EQ(List(RaceCfgPath(), GameMode::Wild), QStringLiteral("0: 0: 0:"));
}

// A window closed in the pause after a difficulty's third attempt starts no attempt at the next one.
TEST_F(GameDrivers, AWildGameLooksAtItsWindowBeforeEachDifficulty) {
    g_nGameMode = GameMode::Wild;
    m_drone.onTick = [&](long long) {
        if (m_drone.attemptStarts == 3 && m_window.scores.size() == 3)
            g_bLinkActive = false;
    };
    m_game.RunWildGame();
    g_bLinkActive = true;
    EXPECT_EQ(m_drone.attemptStarts, 3);
    EXPECT_EQ(m_window.statuses.size(), 3u);
}

TEST_F(GameDrivers, EndlessDrawsAFreshDifficultyForEveryAttempt) {
    const std::vector<int> draws = {3, 7, 0, 9, 3};
    std::size_t next = 0;
    SetEndlessDraw([&] { return draws[next++ % draws.size()]; });
    g_nGameMode = GameMode::Endless;
    m_drone.LevelAfterSamples({0, 0, 0, 0, -1});
    m_game.RunEndlessGame();
    std::vector<int> difficulties;
    for (const auto& s : m_drone.sent)
        if (s.command.action == kActionStart && s.command.difficulty != kOpeningDifficulty)
            difficulties.push_back(s.command.difficulty);
    EXPECT_EQ(difficulties, draws);
    EXPECT_EQ(m_window.statuses.front(), DifficultyText(4));
}

// The generator itself: over many draws every difficulty comes as often as the others, and one draw
// says nothing of the next.
TEST(EndlessDraws, AreUniformAndIndependent) {
    SeedEndlessDraws(20261207);
    constexpr int kDraws = 10000;
    std::array<int, kDifficultyCount> counts{};
    std::array<std::array<int, kDifficultyCount>, kDifficultyCount> pairs{};
    int previous = DrawEndlessDifficulty();
    for (int i = 0; i < kDraws; ++i) {
        const int draw = DrawEndlessDifficulty();
        ASSERT_GE(draw, 0);
        ASSERT_LT(draw, kDifficultyCount);
        ++counts[static_cast<std::size_t>(draw)];
        ++pairs[static_cast<std::size_t>(previous)][static_cast<std::size_t>(draw)];
        previous = draw;
    }
    // Chi-square: 9 degrees of freedom for the counts, 81 for the pairs of consecutive draws; the limits
    // are those a fair generator exceeds once in a thousand.
    auto chiSquare = [](auto cells, double expected) {
        double sum = 0.0;
        for (const int observed : cells)
            sum += (observed - expected) * (observed - expected) / expected;
        return sum;
    };
    EXPECT_LT(chiSquare(counts, kDraws / 10.0), 27.88);
    std::vector<int> flat;
    for (const auto& row : pairs)
        flat.insert(flat.end(), row.begin(), row.end());
    EXPECT_LT(chiSquare(flat, kDraws / 100.0), 126.3);
}

TEST_F(GameDrivers, APracticeResultThatEntersTheListAsksForTheName) {
    g_nGameMode = GameMode::Wild;
    g_nPlayType = PlayType::Practice;
    for (auto [rank, score, name] : {std::tuple{1, "80", "甲"}, {2, "60", "乙"}}) {
        WritePrivateProfileString(TopListSection(GameMode::Wild), QStringLiteral("top%1").arg(rank),
                                  QString::fromUtf8(score), RecordCfgPath());
        WritePrivateProfileString(TopListSection(GameMode::Wild), QStringLiteral("name%1").arg(rank),
                                  QString::fromUtf8(name), RecordCfgPath());
    }
    // 10 + 10 + 10 at difficulty 1, 20 + 20 + 5 at difficulty 2, then a lost attempt: 75.
    m_drone.LevelAfterSamples({0, 0, 0, 0, 0, 75, -1});
    m_game.RunWildGame();
    EXPECT_EQ(m_window.scores.back(), 75);
    EXPECT_EQ(m_window.nameEntries, 1);
    EXPECT_EQ(m_window.nameEntryFor, (std::pair{75, 2}));
    EXPECT_EQ(m_window.guides[5], QStringLiteral("狂野模式 · 难度 2 · 时限 10 秒"));
    EXPECT_EQ(m_window.guides.back(), QStringLiteral("第 7 次：10 秒内未能稳定 · 游戏结束 · 总分 75"));
    EXPECT_EQ(List(RecordCfgPath(), GameMode::Wild), QStringLiteral("80:甲 75:玩家一 60:乙"));
    EXPECT_FALSE(QFile::exists(RaceCfgPath())); // practice never touches the competition's file
}

TEST_F(GameDrivers, ACompetitionResultThatBeatsNothingAsksOnceAndStillWritesTheSheet) {
    SetEndlessDraw([] { return 0; }); // four attempts at difficulty 1: 40 points, below every entry
    StartCompetition(GameMode::Endless);
    for (int rank = 1; rank <= 3; ++rank)
        WritePrivateProfileString(TopListSection(GameMode::Endless), QStringLiteral("top%1").arg(rank),
                                  QStringLiteral("900"), RaceCfgPath());
    m_drone.LevelAfterSamples({0, 0, 0, 0, -1});
    m_game.RunEndlessGame();
    EXPECT_EQ(m_window.nameEntries, 1);
    EXPECT_EQ(m_window.nameEntryFor, (std::pair{40, 0})); // for the sheet only
    EXPECT_TRUE(Sheet().contains(QStringLiteral(",无尽模式,")));
    EXPECT_EQ(m_window.refreshes, 0);

    // The attempt byte counts attempts modulo 3: the fifth one, which failed, carried 1.
    std::vector<int> attemptBytes;
    for (const auto& s : m_drone.sent)
        if (s.command.action == kActionStart && s.command.difficulty != kOpeningDifficulty)
            attemptBytes.push_back(s.command.attempt);
    EXPECT_EQ(attemptBytes, (std::vector<int>{0, 1, 2, 0, 1}));
    EXPECT_EQ(m_drone.sent.back().command.action, kActionStop);
    EXPECT_EQ(m_drone.sent.back().command.attempt, 1);
    EXPECT_EQ(m_window.statuses.size(), 5u);
    for (const QString& status : m_window.statuses)
        EXPECT_TRUE(status.startsWith(QStringLiteral("难度："))) << qPrintable(status);
}

// A game is cut short by the player closing its window, by the drone going quiet mid-attempt, or by
// an attitude already stale when an attempt would start. Nothing is recorded; one stop goes out, to
// the game's own drone: none when another drone has taken its place.
TEST_F(GameDrivers, AGameCutShortRecordsNothingAndStopsOnce) {
    // Another drone: the drone lost and another connected at once, whose attitude is fresh and level.
    // Weak: the link monitor judges the stream too thin (a frame or two a second).
    using Cut = CVirtualDrone::Cut;
    for (auto [mode, run] : kModes) {
        for (const Cut cut : {Cut::Close, Cut::Quiet, Cut::StaleFromTheStart, Cut::AnotherDrone, Cut::Weak}) {
            SCOPED_TRACE(testing::Message()
                         << "mode " << static_cast<int>(mode) << ", cut " << static_cast<int>(cut));
            StartCompetition(mode == GameMode::Level ? GameMode::Wild : mode);
            const QString sheetBefore = Sheet();
            g_nGameMode = mode;
            g_nLevel = 3;
            m_drone.sent.clear();
            m_drone.attemptStarts = 0;
            m_drone.LevelAfterSamples({0, -1});
            long long cutAt = -1;
            m_drone.CutDuringAttempt(cut, 2, &cutAt); // during the second attempt
            m_window = CRecordingWindow();
            (m_game.*run)();
            EXPECT_TRUE(m_window.results.isEmpty());
            EXPECT_EQ(m_window.nameEntries, 0);
            EXPECT_EQ(m_window.refreshes, 0);
            EXPECT_EQ(m_window.linkLosses, cut == Cut::Close ? 0 : 1);
            EXPECT_EQ(Sheet(), sheetBefore);
            EXPECT_EQ(g_nLevelResult, 0);
            EXPECT_EQ(m_drone.attemptStarts, cut == Cut::StaleFromTheStart ? 0 : 2);
            if (cut != Cut::StaleFromTheStart) { // over within one sample of the close or of the silence
                EXPECT_LE(m_drone.nowMs - cutAt, cut == Cut::Quiet ? 100 + kAttitudeFreshFor.count() : 100);
            }
            int stops = 0;
            for (const auto& s : m_drone.sent)
                stops += s.command.action == kActionStop;
            EXPECT_EQ(stops, cut == Cut::AnotherDrone ? 0 : 1);
            if (cut != Cut::AnotherDrone) {
                EXPECT_EQ(m_drone.sent.back().command.action, kActionStop);
            }
            // Kept in the history all the same, marked as cut short.
            const std::optional<GameRecord> kept = ReadGameRecord(m_game.LastHistoryPath());
            ASSERT_TRUE(kept.has_value());
            EXPECT_EQ(kept->mode, mode);
            EXPECT_EQ(kept->end, cut == Cut::Close ? GameEnd::Closed : GameEnd::LinkLost);
            EXPECT_FALSE(kept->passed.has_value());
            ASSERT_EQ(kept->attempts.size(), cut == Cut::StaleFromTheStart ? 0u : 2u);
            if (cut != Cut::StaleFromTheStart) {
                EXPECT_EQ(kept->attempts.back().end, AttemptEnd::Cut);
            }
            m_drone.onTick = nullptr;
            g_bLinkActive = true;
            g_Link.SetState(LinkState::Good);
            m_game.m_fTotalScore = 0.0f;
        }
    }
    EXPECT_EQ(ReadBestScore(3), 0);
    EXPECT_FALSE(QFile::exists(RaceCfgPath()));
}

// A drone swapped in the pause after a scoring attempt: the game sees the new connection before the
// next attempt, begins none, sends the other drone nothing (the stop neither) and ends as cut short.
TEST_F(GameDrivers, ADroneSwappedBetweenAttemptsEndsTheGameBeforeTheNext) {
    for (auto [mode, run] : kModes) {
        SCOPED_TRACE(static_cast<int>(mode));
        g_nGameMode = mode;
        g_nLevel = 1;
        m_window = CRecordingWindow();
        m_drone.sent.clear();
        std::size_t sentBeforeTheSwap = 0;
        m_drone.onTick = [&](long long) {
            if (sentBeforeTheSwap == 0 && m_window.scores.size() == 1) {
                sentBeforeTheSwap = m_drone.sent.size();
                CVirtualDrone::ConnectAnotherDrone();
            }
        };
        (m_game.*run)();
        EXPECT_EQ(m_window.statuses.size(), 1u);
        EXPECT_EQ(m_drone.sent.size(), sentBeforeTheSwap);
        EXPECT_EQ(m_window.linkLosses, 1);
        EXPECT_TRUE(m_window.results.isEmpty());
        const std::optional<GameRecord> kept = ReadGameRecord(m_game.LastHistoryPath());
        ASSERT_TRUE(kept.has_value());
        EXPECT_EQ(kept->end, GameEnd::LinkLost);
        ASSERT_EQ(kept->attempts.size(), 1u);
        EXPECT_EQ(kept->attempts[0].end, AttemptEnd::Level);
        m_drone.onTick = nullptr;
        m_game.m_fTotalScore = 0.0f;
    }
}

// A drone swapped while the start of the second attempt is being answered: that attempt is measured
// on the game's connection, so it takes no sample from the other drone and ends the game.
TEST_F(GameDrivers, ADroneSwappedAsAnAttemptStartsTakesNoSampleFromTheOther) {
    g_nGameMode = GameMode::Level;
    g_nLevel = 1;
    m_drone.onTick = [&, swapped = false](long long) mutable {
        if (!swapped && m_drone.attemptStarts == 2) {
            swapped = true;
            CVirtualDrone::ConnectAnotherDrone();
        }
    };
    m_game.RunLevelGame();
    EXPECT_EQ(m_window.scores.size(), 1u);
    EXPECT_EQ(m_window.linkLosses, 1);
    const std::optional<GameRecord> kept = ReadGameRecord(m_game.LastHistoryPath());
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->end, GameEnd::LinkLost);
    ASSERT_EQ(kept->attempts.size(), 2u);
    EXPECT_EQ(kept->attempts[1].end, AttemptEnd::Cut);
    EXPECT_TRUE(kept->attempts[1].samples.empty());
    m_drone.onTick = nullptr;
}

} // namespace

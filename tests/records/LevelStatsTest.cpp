#include "records/LevelStats.h"
#include "support/CsvReader.h"

#include <gtest/gtest.h>

#include <QStringDecoder>
#include <QTimeZone>

namespace {

// A level game on day of November 2026, with the times to level of its attempts that came level
// (those after them ran out of time, or were cut when the game was cut short).
GameRecord Game(int level, int day, std::optional<bool> passed, std::vector<float> levelled,
                int outOfTime = 0, GameEnd end = GameEnd::Finished) {
    GameRecord game;
    game.level = level;
    game.started = QDateTime(QDate(2026, 11, day), QTime(16, 0), QTimeZone(3600));
    game.ended = game.started.addSecs(40);
    game.end = end;
    game.passed = end == GameEnd::Finished ? passed : std::nullopt;
    for (const float seconds : levelled)
        game.attempts.push_back({static_cast<int>(game.attempts.size()) + 1,
                                 level,
                                 10000,
                                 AttemptEnd::Level,
                                 seconds,
                                 10.0f - seconds,
                                 -1,
                                 -1,
                                 {}});
    for (int i = 0; i < outOfTime; ++i)
        game.attempts.push_back({static_cast<int>(game.attempts.size()) + 1,
                                 level,
                                 10000,
                                 end == GameEnd::Finished ? AttemptEnd::OutOfTime : AttemptEnd::Cut,
                                 10.0f,
                                 0.0f,
                                 -1,
                                 -1,
                                 {}});
    game.attemptCount = static_cast<int>(game.attempts.size());
    return game;
}

// A made-up history whose figures are worked out by hand: level 3 over six days, the player getting
// quicker; level 2 neither quicker nor slower; a wild game that is no level's.
std::vector<GameRecord> History() {
    GameRecord wild = Game(0, 2, std::nullopt, {0.1f});
    wild.mode = GameMode::Wild;
    return {
        Game(3, 6, true, {0.9f, 1.1f, 0.7f}), // out of order: the halves go by the days played
        Game(3, 1, true, {2.0f, 1.8f, 2.2f}),
        Game(3, 2, false, {1.9f}, 1),
        Game(3, 3, std::nullopt, {1.5f}, 1, GameEnd::LinkLost),
        Game(3, 4, true, {1.0f, 1.2f, 0.8f}),
        Game(3, 5, std::nullopt, {}, 1, GameEnd::Closed),
        wild,
        Game(2, 1, false, {0.8f, 1.0f}, 1),
        Game(2, 2, true, {0.9f, 0.9f, 0.9f}),
    };
}

TEST(LevelStats, PassRateMedianTimeAndImprovementOfAKnownHistory) {
    const std::vector<LevelStats> all = SummariseLevels(History());
    ASSERT_EQ(all.size(), 2u);
    const LevelStats& two = all[0];
    const LevelStats& three = all[1];
    EXPECT_EQ(two.level, 2);
    EXPECT_EQ(three.level, 3);
    // Six games: three passed, one failed, two cut short, which give no verdict.
    EXPECT_EQ(three.games, 6);
    EXPECT_EQ(three.passed, 3);
    EXPECT_EQ(three.failed, 1);
    EXPECT_EQ(three.cutShort, 2);
    EXPECT_EQ(three.passRate, 0.75);
    // Eleven levelled attempts, 0.7 to 2.2 s: the sixth is 1.2. Five games had one; the earlier two
    // (1.8 1.9 2.0 2.2) against the later two (0.7 0.8 0.9 1.0 1.1 1.2), the middle one in neither.
    EXPECT_DOUBLE_EQ(*three.medianSeconds, 1.2);
    EXPECT_DOUBLE_EQ(*three.earlierSeconds, 1.95);
    EXPECT_DOUBLE_EQ(*three.laterSeconds, 0.95);
    EXPECT_DOUBLE_EQ(*three.Improvement(), 1.0);
    EXPECT_TRUE(three.Improved());
    // Level 2: 0.8 and 1.0, then 0.9 three times: the same median, 0.9, whatever the floats' halfway.
    EXPECT_DOUBLE_EQ(*two.medianSeconds, 0.9);
    EXPECT_EQ(*two.Improvement(), 0.0);
    EXPECT_FALSE(two.Improved());

    // From the fourth day on: two passed and a closed game; the halves are one game each.
    const std::vector<LevelStats> late =
        SummariseLevels(History(), QDateTime(QDate(2026, 11, 4), QTime(0, 0), QTimeZone(3600)));
    ASSERT_EQ(late.size(), 1u);
    EXPECT_EQ(late[0].games, 3);
    EXPECT_EQ(late[0].passRate, 1.0);
    EXPECT_DOUBLE_EQ(*late[0].Improvement(), 0.1);
    // A single game has no halves; a game without a verdict or a levelled attempt has no figures.
    const std::vector<LevelStats> one = SummariseLevels({Game(5, 1, std::nullopt, {}, 1, GameEnd::Closed)});
    ASSERT_EQ(one.size(), 1u);
    EXPECT_FALSE(one[0].passRate || one[0].medianSeconds || one[0].Improvement());
    EXPECT_TRUE(
        SummariseLevels(History(), {}, QDateTime(QDate(2026, 11, 1), QTime(0, 0), QTimeZone(3600))).empty());
}

TEST(LevelStats, TheSheetHasARowPerPlayerAndLevel) {
    const std::vector<LevelStats> levels = SummariseLevels(History());
    const QByteArray csv = LevelStatsCsv({{QStringLiteral("=Ann"), levels}, {QStringLiteral("Bo"), {}}},
                                         QDate(2026, 11, 1), QDate(2026, 11, 30));
    const std::vector<QStringList> rows = ReadCsv(QStringDecoder("GB18030").decode(csv));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].join(','),
              QStringLiteral("玩家,关卡,对局,通过,未过关,不计成绩,通过率(%),稳定用时中位数(秒),"
                             "前半中位数(秒),后半中位数(秒),快了(秒),起始日期,截止日期"));
    EXPECT_EQ(rows[2], (QStringList{"'=Ann", "3", "6", "3", "1", "2", "75", "1.2", "1.95", "0.95", "1",
                                    "2026-11-01", "2026-11-30"}));
    EXPECT_EQ(rows[1][10], QStringLiteral("0"));
}

} // namespace

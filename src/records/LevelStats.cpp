#include "records/LevelStats.h"

#include "records/Csv.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>

std::optional<double> LevelStats::Improvement() const {
    if (!earlierSeconds || !laterSeconds)
        return std::nullopt;
    return *earlierSeconds - *laterSeconds;
}

double Median(std::vector<double> values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2.0;
}

namespace {

// The times to level of a game's attempts that came level in time, in the tenths of a second the game
// counts them in: their floats (0.8f, 0.9f) are not, and a median of two would not equal the one
// between them, so two halves alike could read as one quicker.
std::vector<double> TenthsToLevel(const GameRecord& game) {
    std::vector<double> tenths;
    for (const AttemptRecord& attempt : game.attempts)
        if (attempt.end == AttemptEnd::Level)
            tenths.push_back(std::round(static_cast<double>(attempt.secondsToLevel) * 10.0));
    return tenths;
}

std::optional<double> MedianSeconds(const std::vector<const GameRecord*>& games) {
    std::vector<double> tenths;
    for (const GameRecord* game : games) {
        const std::vector<double> own = TenthsToLevel(*game);
        tenths.insert(tenths.end(), own.begin(), own.end());
    }
    return tenths.empty() ? std::nullopt : std::optional(Median(std::move(tenths)) / 10.0);
}

QString Seconds(const std::optional<double>& seconds) {
    // Times to level are tenths; a median of two of them may fall on a twentieth.
    return seconds ? DecimalText(*seconds, 2) : QString();
}

} // namespace

std::vector<LevelStats> SummariseLevels(const std::vector<GameRecord>& games, const QDateTime& from,
                                        const QDateTime& before) {
    std::map<int, std::vector<const GameRecord*>> byLevel;
    for (const GameRecord& game : games) {
        if (game.mode != GameMode::Level || (from.isValid() && game.started < from) ||
            (before.isValid() && game.started >= before))
            continue;
        byLevel[game.level].push_back(&game);
    }
    std::vector<LevelStats> stats;
    for (auto& [level, played] : byLevel) {
        std::stable_sort(played.begin(), played.end(),
                         [](const GameRecord* a, const GameRecord* b) { return a->started < b->started; });
        LevelStats s;
        s.level = level;
        s.games = static_cast<int>(played.size());
        std::vector<const GameRecord*> levelled; // the games with a time to level, in the order played
        for (const GameRecord* game : played) {
            if (game->end != GameEnd::Finished)
                ++s.cutShort;
            else if (game->passed.value_or(false))
                ++s.passed;
            else
                ++s.failed;
            if (!TenthsToLevel(*game).empty())
                levelled.push_back(game);
        }
        if (s.passed + s.failed > 0)
            s.passRate = static_cast<double>(s.passed) / (s.passed + s.failed);
        s.medianSeconds = MedianSeconds(levelled);
        if (levelled.size() >= 2) {
            const auto half = static_cast<std::ptrdiff_t>(levelled.size() / 2);
            s.earlierSeconds = MedianSeconds({levelled.begin(), levelled.begin() + half});
            s.laterSeconds = MedianSeconds({levelled.end() - half, levelled.end()});
        }
        stats.push_back(s);
    }
    return stats;
}

QByteArray LevelStatsCsv(const std::vector<PlayerLevelStats>& players, const QDate& firstDay,
                         const QDate& lastDay) {
    QByteArray csv =
        SheetBytes(QStringLiteral("玩家,关卡,对局,通过,未过关,不计成绩,通过率(%),稳定用时中位数(秒),"
                                  "前半中位数(秒),后半中位数(秒),快了(秒),起始日期,截止日期"));
    const QString period =
        QLatin1Char(',') + firstDay.toString(Qt::ISODate) + QLatin1Char(',') + lastDay.toString(Qt::ISODate);
    for (const PlayerLevelStats& player : players)
        for (const LevelStats& s : player.levels)
            csv += SheetBytes(QStringList{SheetField(player.player), QString::number(s.level),
                                          QString::number(s.games), QString::number(s.passed),
                                          QString::number(s.failed), QString::number(s.cutShort),
                                          s.passRate ? DecimalText(*s.passRate * 100.0, 1) : QString(),
                                          Seconds(s.medianSeconds), Seconds(s.earlierSeconds),
                                          Seconds(s.laterSeconds), Seconds(s.Improvement())}
                                  .join(QLatin1Char(',')) +
                              period);
    return csv;
}

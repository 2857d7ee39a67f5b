#include "records/History.h"

#include "platform/FileIo.h"
#include "records/Csv.h"
#include "records/Outbox.h"
#include "state/DataFolders.h"
#include "state/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <map>

#include <fcntl.h>

namespace {

const QString kFormat = QStringLiteral("aviluma-history");
const QString kSuffix = QStringLiteral(".jsonl");
constexpr qint64 kMaxHeadBytes = 65536; // a game's first line: its summary, names and all

// Names of the file's enumerations, in the order of the enums.
const char* const kModeNames[] = {"level", "wild", "endless"};
const char* const kPlayNames[] = {"practice", "competition"};
const char* const kGameEndNames[] = {"finished", "closed", "link-lost"};
const char* const kAttemptEndNames[] = {"level", "out-of-time", "cut"};

template <std::size_t N>
int IndexOf(const char* const (&names)[N], const QString& name) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == QLatin1String(names[i]))
            return static_cast<int>(i);
    return -1;
}

// The shortest text that reads back as the same float. Zero has no sign here: a JSON reader takes "-0"
// for 0, and the file would not write again to the same bytes.
QByteArray Number(float value) {
    if (value == 0.0f)
        return QByteArrayLiteral("0");
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? QByteArray(text, static_cast<int>(end - text)) : QByteArray("0");
}

// Places a measured value really has: points and times to level are counted in tenths (100 ms
// samples times a whole factor), angles are kept to hundredths. Their floats need not be the nearest to
// those values: 25.2 points are held as 25.199999, which the float's shortest text would show.
constexpr int kTenths = 1;
constexpr int kHundredths = 2;

QString Seconds(int ms) {
    return DecimalText(ms / 1000.0, 3);
}

QByteArray Text(const QString& text) {
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2); // the string without the array's brackets
}

// A local time is written with its offset: without one, a time in the hour that repeats when the
// clocks go back would read back as either of its two instants.
QByteArray Time(const QDateTime& time) {
    const QDateTime written =
        time.timeSpec() == Qt::LocalTime ? time.toOffsetFromUtc(time.offsetFromUtc()) : time;
    return Text(written.toString(Qt::ISODateWithMs));
}

// One line, written by hand so numbers keep their shortest form.
class CLine {
public:
    CLine& Field(const char* name, const QByteArray& json) {
        m_bytes += (m_bytes.isEmpty() ? "{\"" : ",\"") + QByteArray(name) + "\":" + json;
        return *this;
    }
    CLine& Field(const char* name, int value) { return Field(name, QByteArray::number(value)); }
    CLine& Field(const char* name, float value) { return Field(name, Number(value)); }
    QByteArray End() { return m_bytes + "}\n"; }

private:
    QByteArray m_bytes;
};

QByteArray SamplesJson(const std::vector<AttitudeSample>& samples) {
    QByteArray json = "[";
    for (const AttitudeSample& s : samples) {
        if (json.size() > 1)
            json += ',';
        json += '[' + QByteArray::number(s.timeMs) + ',' + Number(s.roll) + ',' + Number(s.pitch) + ',' +
                Number(s.yaw) + ']';
    }
    return json + ']';
}

bool ReadGame(const QJsonObject& o, GameRecord& game, QString& why) {
    const int mode = IndexOf(kModeNames, o.value(QStringLiteral("mode")).toString());
    const std::optional<GameEnd> end = GameEndFromCode(o.value(QStringLiteral("end")).toString());
    const QJsonValue play = o.value(QStringLiteral("play"));
    const QJsonValue result = o.value(QStringLiteral("result"));
    game.started = QDateTime::fromString(o.value(QStringLiteral("started")).toString(), Qt::ISODateWithMs);
    game.ended = QDateTime::fromString(o.value(QStringLiteral("ended")).toString(), Qt::ISODateWithMs);
    if (mode < 0 || !end || !game.started.isValid() || !game.ended.isValid()) {
        why = QStringLiteral("its first line lacks the mode, the end or the times");
        return false;
    }
    game.mode = static_cast<GameMode>(mode);
    game.end = *end;
    game.level = o.value(QStringLiteral("level")).toInt();
    if (const int type = IndexOf(kPlayNames, play.toString()); type >= 0)
        game.playType = static_cast<PlayType>(type);
    if (result.isString())
        game.passed = result.toString() == QLatin1String("passed");
    game.total = o.value(QStringLiteral("total")).toInt();
    game.player = o.value(QStringLiteral("player")).toString();
    game.attemptCount = o.value(QStringLiteral("attempts")).toInt();
    return true;
}

// A number of the file as the float the game measured. One beyond a float's range (no file of ours
// holds one) reads as the largest float of its sign: turned into a float as it is, it would be
// undefined, and written again it would be no JSON.
float FloatOf(const QJsonValue& value) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value.toDouble(), -kLargest, kLargest));
}

bool ReadAttempt(const QJsonObject& o, AttemptRecord& attempt) {
    const int end = IndexOf(kAttemptEndNames, o.value(QStringLiteral("end")).toString());
    if (end < 0 || !o.value(QStringLiteral("attempt")).isDouble())
        return false;
    attempt.number = o.value(QStringLiteral("attempt")).toInt();
    attempt.difficulty = o.value(QStringLiteral("difficulty")).toInt();
    attempt.budgetMs = o.value(QStringLiteral("budget_ms")).toInt();
    attempt.end = static_cast<AttemptEnd>(end);
    attempt.secondsToLevel = FloatOf(o.value(QStringLiteral("seconds_to_level")));
    attempt.points = FloatOf(o.value(QStringLiteral("points")));
    attempt.holdStartMs = o.value(QStringLiteral("hold_start_ms")).toInt(-1);
    attempt.holdEndMs = o.value(QStringLiteral("hold_end_ms")).toInt(-1);
    for (const QJsonValue& value : o.value(QStringLiteral("samples")).toArray()) {
        const QJsonArray s = value.toArray();
        if (s.size() != 4)
            return false;
        attempt.samples.push_back({s[0].toInt(), FloatOf(s[1]), FloatOf(s[2]), FloatOf(s[3])});
    }
    return true;
}

QString FileNameOf(const GameRecord& game) {
    QString name = game.started.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss-zzz-")) +
                   QLatin1String(kModeNames[static_cast<int>(game.mode)]);
    if (game.mode == GameMode::Level)
        name += QString::number(game.level);
    return name;
}

QStringList HistoryFiles(const QString& folder = HistoryFolder()) {
    return QDir(folder).entryList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Name);
}

// The number a file's name ends in ("...-wild.42.jsonl"): its place in the order games were written.
// Files of earlier versions have none (0): they were written before every numbered one. So has a
// number no PC reaches (past 10^15 games), which would leave none for the next game.
qint64 WrittenNumber(const QString& name) {
    constexpr qint64 kLargest = 1'000'000'000'000'000;
    const qsizetype end = name.size() - kSuffix.size();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'), end - 1);
    bool ok = false;
    const qint64 number = dot > 0 ? QStringView(name).mid(dot + 1, end - dot - 1).toLongLong(&ok) : 0;
    return ok && number <= kLargest ? number : 0;
}

// The folder's games in the order they were written, oldest first. Not by the times in their names:
// a clock that is wrong (a flat battery at a flying field) would put a new game among the oldest.
QStringList InWrittenOrder(QStringList files) {
    std::stable_sort(files.begin(), files.end(),
                     [](const QString& a, const QString& b) { return WrittenNumber(a) < WrittenNumber(b); });
    return files;
}

// Removes the oldest-written games beyond keep; never the one just written.
void Prune(int keep, const QString& justWritten) {
    const QStringList files = InWrittenOrder(HistoryFiles());
    qsizetype excess = files.size() - std::max(keep, 1);
    for (qsizetype i = 0; excess > 0 && i < files.size(); ++i) {
        if (files[i] == justWritten)
            continue;
        --excess;
        if (!QFile::remove(HistoryFolder() + QLatin1Char('/') + files[i]))
            qCWarning(lcRecords, "cannot remove the old game history %s", qPrintable(files[i]));
    }
}

} // namespace

QByteArray GameRecordBytes(const GameRecord& game) {
    CLine head;
    head.Field("format", Text(kFormat))
        .Field("version", kHistoryFormatVersion)
        .Field("mode", Text(QLatin1String(kModeNames[static_cast<int>(game.mode)])))
        .Field("level", game.level)
        .Field("play", game.playType ? Text(QLatin1String(kPlayNames[static_cast<int>(*game.playType)]))
                                     : QByteArray("null"))
        .Field("started", Time(game.started))
        .Field("ended", Time(game.ended))
        .Field("end", Text(QLatin1String(kGameEndNames[static_cast<int>(game.end)])))
        .Field("result", game.passed
                             ? Text(*game.passed ? QStringLiteral("passed") : QStringLiteral("failed"))
                             : QByteArray("null"))
        .Field("total", game.total)
        .Field("attempts", static_cast<int>(game.attempts.size()))
        .Field("player", game.player.isEmpty() ? QByteArray("null") : Text(game.player));
    QByteArray bytes = head.End();
    for (const AttemptRecord& a : game.attempts) {
        bytes += CLine()
                     .Field("attempt", a.number)
                     .Field("difficulty", a.difficulty)
                     .Field("budget_ms", a.budgetMs)
                     .Field("end", Text(QLatin1String(kAttemptEndNames[static_cast<int>(a.end)])))
                     .Field("seconds_to_level", a.secondsToLevel)
                     .Field("points", a.points)
                     .Field("hold_start_ms", a.holdStartMs)
                     .Field("hold_end_ms", a.holdEndMs)
                     .Field("samples", SamplesJson(a.samples))
                     .End();
    }
    return bytes;
}

std::optional<GameRecord> ParseGameRecord(const QByteArray& bytes, bool summaryOnly, QString* why) {
    QString reason;
    auto fail = [&](const QString& text) {
        if (why != nullptr)
            *why = text;
        return std::nullopt;
    };
    const QList<QByteArray> lines = bytes.split('\n');
    QJsonParseError error{};
    const QJsonObject head = QJsonDocument::fromJson(lines.front(), &error).object();
    if (error.error != QJsonParseError::NoError || head.value(QStringLiteral("format")).toString() != kFormat)
        return fail(QStringLiteral("not a game history"));
    if (const int version = head.value(QStringLiteral("version")).toInt(); version != kHistoryFormatVersion)
        return fail(QStringLiteral("history format %1, this program reads %2")
                        .arg(version)
                        .arg(kHistoryFormatVersion));
    GameRecord game;
    if (!ReadGame(head, game, reason))
        return fail(reason);
    if (summaryOnly)
        return game;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].trimmed().isEmpty())
            continue;
        AttemptRecord attempt;
        const QJsonObject line = QJsonDocument::fromJson(lines[i], &error).object();
        if (error.error != QJsonParseError::NoError || !ReadAttempt(line, attempt))
            return fail(QStringLiteral("line %1 is no attempt").arg(i + 1));
        game.attempts.push_back(std::move(attempt));
    }
    if (static_cast<int>(game.attempts.size()) != game.attemptCount)
        return fail(QStringLiteral("%1 attempts announced, %2 found")
                        .arg(game.attemptCount)
                        .arg(game.attempts.size()));
    return game;
}

QString HistoryFolder() {
    return ProgressFilePath(u"history");
}

int CountHistoryGames(const QString& folder) {
    return static_cast<int>(HistoryFiles(folder).size());
}

QString WriteGameRecord(const GameRecord& game, int keep) {
    const QString folder = HistoryFolder();
    if (const int error = CheckFolders(folder, true)) {
        qCWarning(lcRecords, "cannot keep the game's history: cannot make %s: %s", qPrintable(folder),
                  std::strerror(error));
        return {};
    }
    qint64 last = 0;
    for (const QString& name : HistoryFiles())
        last = std::max(last, WrittenNumber(name));
    const QString base = folder + QLatin1Char('/') + FileNameOf(game);
    const QString number = QLatin1Char('.') + QString::number(last + 1);
    QString path = base + number + kSuffix;
    for (int n = 2; QFile::exists(path); ++n)
        path = base + QLatin1Char('-') + QString::number(n) + number + kSuffix;
    int error = 0;
    if (!ReplaceFileAtomically(path, GameRecordBytes(game), &error)) {
        qCWarning(lcRecords, "cannot keep the game's history in %s: %s", qPrintable(path),
                  std::strerror(error));
        return {};
    }
    Prune(keep, QFileInfo(path).fileName());
    return path;
}

std::optional<GameRecord> ReadGameRecord(const QString& path) {
    QByteArray bytes;
    int error = 0;
    // A regular file of a size a game can have: a pipe or a device in a game's place is no game.
    if (!ReadRegularFile(path, &bytes, &error, kMaxOutboxFileBytes)) {
        qCWarning(lcRecords, "skipped the game history %s: %s", qPrintable(path), std::strerror(error));
        return std::nullopt;
    }
    QString why;
    std::optional<GameRecord> game = ParseGameRecord(bytes, false, &why);
    if (!game) {
        qCWarning(lcRecords, "skipped the game history %s: %s", qPrintable(path), qPrintable(why));
        return std::nullopt;
    }
    game->path = path;
    return game;
}

std::vector<GameRecord> ReadHistory(bool summaryOnly, const QString& folder) {
    std::vector<GameRecord> games;
    for (const QString& name : HistoryFiles(folder)) {
        const QString path = folder + QLatin1Char('/') + name;
        if (!summaryOnly) {
            if (std::optional<GameRecord> game = ReadGameRecord(path))
                games.push_back(std::move(*game));
            continue;
        }
        int error = 0;
        QString why;
        std::optional<GameRecord> game;
        if (const int fd = OpenRegularFile(path, O_RDONLY, &error); fd >= 0) {
            QFile file;
            if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
                game = ParseGameRecord(file.readLine(kMaxHeadBytes), true, &why);
        } else {
            why = QString::fromLocal8Bit(std::strerror(error));
        }
        if (!game) {
            qCWarning(lcRecords, "skipped the game history %s: %s", qPrintable(path), qPrintable(why));
            continue;
        }
        game->path = path;
        games.push_back(std::move(*game));
    }
    return games;
}

QString DecimalText(double value, int places) {
    QString text = QString::number(value, 'f', places);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString CutShortText(GameEnd end) {
    switch (end) {
    case GameEnd::Finished:
        break;
    case GameEnd::Closed:
        return QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "中途关闭"));
    case GameEnd::LinkLost:
        return QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "连接中断"));
    }
    return {};
}

std::optional<GameEnd> GameEndFromCode(const QString& code) {
    const int end = IndexOf(kGameEndNames, code);
    return end < 0 ? std::nullopt : std::optional(static_cast<GameEnd>(end));
}

QString GameModeText(const GameRecord& game) {
    switch (game.mode) {
    case GameMode::Level:
        return QStringLiteral("闯关模式");
    case GameMode::Wild:
        return QStringLiteral("狂野模式");
    case GameMode::Endless:
        return QStringLiteral("无尽模式");
    }
    return {};
}

QString GameEndText(const GameRecord& game) {
    switch (game.end) {
    case GameEnd::Finished:
        return game.passed ? (*game.passed ? QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "闯关成功"))
                                           : QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "闯关失败")))
                           : QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "完成"));
    case GameEnd::Closed:
    case GameEnd::LinkLost:
        return CutShortText(game.end);
    }
    return {};
}

QString AttemptResultText(const GameRecord& game, const AttemptRecord& attempt) {
    switch (attempt.end) {
    case AttemptEnd::Level:
        return QStringLiteral("成功");
    case AttemptEnd::OutOfTime:
        return QStringLiteral("超时");
    case AttemptEnd::Cut:
        // The game cuts an attempt when the drone goes quiet or when its window closes; only the
        // game's end tells which.
        return CutShortText(game.end == GameEnd::Closed ? GameEnd::Closed : GameEnd::LinkLost);
    }
    return {};
}

QByteArray HistoryCsv(const std::vector<GameRecord>& games, const QString& playerName) {
    QByteArray csv = SheetBytes(QStringLiteral("开始时间,模式,关卡,类型,结局,总分,姓名,次数,难度,时限(秒),"
                                               "稳定用时(秒),得分,时间(秒),横滚,俯仰,航向,玩家,结果"));
    const QString player = QLatin1Char(',') + SheetField(playerName);
    for (const GameRecord& game : games) {
        const QString gameFields =
            game.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(',') +
            GameModeText(game) + QLatin1Char(',') +
            (game.mode == GameMode::Level ? QString::number(game.level) : QString()) + QLatin1Char(',') +
            (game.playType ? (*game.playType == PlayType::Competition ? QStringLiteral("比赛模式")
                                                                      : QStringLiteral("练习模式"))
                           : QString()) +
            QLatin1Char(',') + GameEndText(game) + QLatin1Char(',') + QString::number(game.total) +
            QLatin1Char(',') + SheetField(game.player);
        for (const AttemptRecord& a : game.attempts) {
            const QString tail = player + QLatin1Char(',') + AttemptResultText(game, a);
            const QString attemptFields =
                QStringLiteral("%1,%2,%3,%4,%5")
                    .arg(a.number)
                    .arg(a.difficulty)
                    .arg(Seconds(a.budgetMs),
                         a.end == AttemptEnd::Level ? DecimalText(a.secondsToLevel, kTenths) : QString(),
                         DecimalText(a.points, kTenths));
            if (a.samples.empty())
                csv +=
                    SheetBytes(gameFields + QLatin1Char(',') + attemptFields + QStringLiteral(",,,,") + tail);
            for (const AttitudeSample& s : a.samples)
                csv +=
                    SheetBytes(gameFields + QLatin1Char(',') + attemptFields + QLatin1Char(',') +
                               QStringList{Seconds(s.timeMs), DecimalText(s.roll, kHundredths),
                                           DecimalText(s.pitch, kHundredths), DecimalText(s.yaw, kHundredths)}
                                   .join(QLatin1Char(',')) +
                               tail);
        }
    }
    return csv;
}

#include "records/Outbox.h"

#include "platform/FileIo.h"
#include "platform/LocalClock.h"
#include "platform/ProfileFile.h"
#include "platform/Translation.h"
#include "records/Records.h"
#include "records/SaveFailures.h"
#include "state/DataFolders.h"
#include "state/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

const QString kClassSection = QStringLiteral("Class");
const QString kOutboxSuffix = QStringLiteral(".jsonl");
constexpr int kOutboxFormatVersion = 1;

std::mutex g_outboxListenerMutex;
std::function<void()> g_outboxListener;

// The millisecond a file's name says it was queued; 0 for one past the year 9999, which no game of
// ours was queued at (and which would leave no later number for the next game).
qint64 QueuedAt(const QString& name) {
    constexpr qint64 kLatest = 253402300799999;
    const qint64 at = name.section(QLatin1Char('-'), 0, 0).toLongLong();
    return at <= kLatest ? at : 0;
}

} // namespace

QString ClassCfgPath() {
    return DataFilePath(u"class.cfg");
}

std::optional<ClassSettings> ReadClassSettings() {
    const QString path = ClassCfgPath();
    if (!QFile::exists(path))
        return std::nullopt;
    constexpr int kLong = 1024;
    // Cleaned as when they are written: a file from an older version, or edited by hand, sends what
    // the server keeps.
    ClassSettings settings{
        GetPrivateProfileString(kClassSection, QStringLiteral("connection"), QString(), kLong, path),
        SafeText(GetPrivateProfileString(kClassSection, QStringLiteral("class"), QString(), kLong, path),
                 kMaxClassLength),
        SafeText(GetPrivateProfileString(kClassSection, QStringLiteral("seat"), QString(), kLong, path),
                 kMaxSeatLength)};
    if (settings.connection.isEmpty() || settings.className.isEmpty())
        return std::nullopt;
    return settings;
}

bool WriteClassSettings(const ClassSettings& settings, QString* error) {
    int errorNumber = 0;
    if (WritePrivateProfileValues(kClassSection,
                                  {{QStringLiteral("connection"), settings.connection},
                                   {QStringLiteral("class"), SafeText(settings.className, kMaxClassLength)},
                                   {QStringLiteral("seat"), SafeText(settings.seat, kMaxSeatLength)}},
                                  ClassCfgPath(), &errorNumber))
        return true;
    if (error)
        *error = Aviluma::tr("无法保存 %1：%2")
                     .arg(ClassCfgPath(), ErrorText(errorNumber));
    return false;
}

void SetOutboxListener(std::function<void()> listener) {
    std::lock_guard lock(g_outboxListenerMutex);
    g_outboxListener = std::move(listener);
}

QString OutboxFolder() {
    return DataFilePath(u"outbox");
}

QString RefusedOutboxFolder() {
    return DataFilePath(u"outbox-refused");
}

int CountRefusedOutboxGames() {
    return static_cast<int>(
        QDir(RefusedOutboxFolder()).entryList({QStringLiteral("*") + kOutboxSuffix}, QDir::Files).size());
}

QString WriteOutboxGame(const GameRecord& game, const ClassSettings& settings,
                        const std::optional<Player>& player) {
    const QString folder = OutboxFolder();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject head{{QStringLiteral("outbox"), kOutboxFormatVersion},
                     {QStringLiteral("id"), id},
                     {QStringLiteral("class"), settings.className},
                     {QStringLiteral("seat"), settings.seat},
                     {QStringLiteral("pc_player"), player ? player->name : QString()},
                     {QStringLiteral("pc_player_folder"), player ? player->folder : QString()}};
    const QByteArray bytes =
        QJsonDocument(head).toJson(QJsonDocument::Compact) + '\n' + GameRecordBytes(game);
    // The listing makes the folder private first, or says why it cannot be.
    QString why;
    const QStringList queued = OutboxFiles(&why);
    if (!why.isEmpty()) {
        qCWarning(lcRecords, "cannot queue the game for the class server: %s", qPrintable(why));
        ReportSaveFailure(folder, EPERM);
        return {};
    }
    // Named after when it was queued, so the sender takes the games in the order they were played;
    // two games in one millisecond still go in turn.
    qint64 at = CurrentLocalTime().toMSecsSinceEpoch();
    for (const QString& name : queued)
        at = std::max(at, QueuedAt(name) + 1);
    int error = 0;
    const QString path =
        folder + QLatin1Char('/') + QString::number(at) + QLatin1Char('-') + id + kOutboxSuffix;
    if (!ReplaceFileAtomically(path, bytes, &error, 0600)) {
        ReportSaveFailure(path, error); // logged, and the player told: this game will not reach the class
        return {};
    }
    std::lock_guard lock(g_outboxListenerMutex);
    if (g_outboxListener)
        g_outboxListener();
    return path;
}

QStringList OutboxFiles(QString* why) {
    // Made private (or found so) before anything in it is trusted: another account's folder, or a
    // link, sends nothing.
    int error = 0;
    if (!MakePrivateFolder(OutboxFolder(), &error)) {
        if (why)
            *why = Aviluma::tr("%1 不是只属于本用户的文件夹（%2），里面的成绩不会上传。")
                       .arg(OutboxFolder(), QString::fromLocal8Bit(std::strerror(error)));
        return {};
    }
    QStringList names = QDir(OutboxFolder()).entryList({QStringLiteral("*") + kOutboxSuffix}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QueuedAt(a) != QueuedAt(b) ? QueuedAt(a) < QueuedAt(b) : a < b;
    });
    return names;
}

std::optional<OutboxGame> ReadOutboxGame(const QString& path, QString* why, bool* lasting) {
    bool never = true;
    const auto fail = [&](const QString& reason) {
        if (why)
            *why = reason;
        if (lasting)
            *lasting = never;
        return std::nullopt;
    };
    QByteArray bytes;
    int error = 0;
    if (!ReadRegularFile(path, &bytes, &error, kMaxOutboxFileBytes, true)) {
        // Another account's file, a link, a pipe, a giant: never a game of ours. Anything else may pass.
        never = error == EPERM || error == EMLINK || error == ELOOP || error == EINVAL || error == EISDIR ||
                error == EFBIG;
        return fail(error == EPERM || error == EMLINK
                        ? Aviluma::tr("这个文件不是本用户的游戏写下的")
                        : QString::fromLocal8Bit(std::strerror(error)));
    }
    const qsizetype end = bytes.indexOf('\n');
    const QJsonObject head = QJsonDocument::fromJson(bytes.left(end)).object();
    if (end < 0 || head.value(QStringLiteral("outbox")).toInt() != kOutboxFormatVersion)
        return fail(QStringLiteral("not an outbox file of this version"));
    OutboxGame queued;
    queued.id = head.value(QStringLiteral("id")).toString();
    if (QUuid::fromString(queued.id).isNull())
        return fail(QStringLiteral("no game id"));
    queued.className = head.value(QStringLiteral("class")).toString();
    queued.seat = head.value(QStringLiteral("seat")).toString();
    queued.pcPlayer = head.value(QStringLiteral("pc_player")).toString();
    queued.pcPlayerFolder = head.value(QStringLiteral("pc_player_folder")).toString();
    queued.history = bytes.mid(end + 1);
    QString reason;
    std::optional<GameRecord> game = ParseGameRecord(queued.history, false, &reason);
    if (!game)
        return fail(reason);
    queued.game = std::move(*game);
    return queued;
}

bool StampOutboxGame(OutboxGame& queued, const ClassSettings& settings, QString* why) {
    queued.className = settings.className;
    queued.seat = settings.seat;
    const std::vector<Player> players = ReadPlayers();
    if (!queued.pcPlayerFolder.isEmpty()) {
        // A player renamed since keeps their folder: the game goes under their name of today. One
        // removed since has their folder kept among the removed ones, under the name they flew with.
        for (const Player& player : players)
            if (player.folder == queued.pcPlayerFolder) {
                queued.pcPlayer = player.name;
                return true;
            }
        // Kept as "<folder>-<yyyyMMdd-HHmmss>": that folder exactly, never a pattern the file spells.
        const QString kept = queued.pcPlayerFolder + QLatin1Char('-');
        const QStringList removed = QDir(RemovedPlayersFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (std::any_of(removed.begin(), removed.end(), [&](const QString& name) {
                return name.size() == kept.size() + 15 && name.startsWith(kept);
            }))
            return true;
    } else if (queued.pcPlayer.isEmpty()) {
        return true; // no player: a PC without players then
    } else if (const std::optional<Player> player = FindPlayer(players, queued.pcPlayer)) {
        queued.pcPlayer = player->name; // a file queued before folders were named: the name as listed
        return true;
    }
    if (why)
        *why = Aviluma::tr("本机没有玩家“%1”，这局不是本机的成绩")
                   .arg(queued.pcPlayer);
    return false;
}

#include "records/Outbox.h"

#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "platform/Translation.h"
#include "state/DataFolders.h"
#include "state/Log.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

const QString kClassSection = QStringLiteral("Class");
const QString kOutboxSuffix = QStringLiteral(".jsonl");
constexpr int kOutboxFormatVersion = 1;

std::mutex g_outboxListenerMutex;
std::function<void()> g_outboxListener;

qint64 QueuedAt(const QString& name) {
    return name.section(QLatin1Char('-'), 0, 0).toLongLong();
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
    ClassSettings settings{GetPrivateProfileString(kClassSection, QStringLiteral("connection"), QString(), kLong, path),
                           GetPrivateProfileString(kClassSection, QStringLiteral("class"), QString(), kLong, path),
                           GetPrivateProfileString(kClassSection, QStringLiteral("seat"), QString(), kLong, path)};
    if (settings.connection.isEmpty() || settings.className.isEmpty())
        return std::nullopt;
    return settings;
}

bool WriteClassSettings(const ClassSettings& settings, QString* error) {
    int errorNumber = 0;
    if (WritePrivateProfileValues(kClassSection,
                                  {{QStringLiteral("connection"), settings.connection},
                                   {QStringLiteral("class"), settings.className},
                                   {QStringLiteral("seat"), settings.seat}},
                                  ClassCfgPath(), &errorNumber))
        return true;
    if (error)
        *error = Tr(QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "无法保存 %1：%2")))
                     .arg(ClassCfgPath(), QString::fromLocal8Bit(std::strerror(errorNumber)));
    return false;
}

void SetOutboxListener(std::function<void()> listener) {
    std::lock_guard lock(g_outboxListenerMutex);
    g_outboxListener = std::move(listener);
}

QString OutboxFolder() {
    return DataFilePath(u"outbox");
}

QString WriteOutboxGame(const GameRecord& game, const ClassSettings& settings, const QString& pcPlayer) {
    const QString folder = OutboxFolder();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    QJsonObject head{{QStringLiteral("outbox"), kOutboxFormatVersion},
                     {QStringLiteral("id"), id},
                     {QStringLiteral("class"), settings.className},
                     {QStringLiteral("seat"), settings.seat},
                     {QStringLiteral("pc_player"), pcPlayer}};
    const QByteArray bytes = QJsonDocument(head).toJson(QJsonDocument::Compact) + '\n' + GameRecordBytes(game);
    // Named after when it was queued, so the sender takes the games in the order they were played.
    qint64 at = QDateTime::currentMSecsSinceEpoch();
    for (const QString& name : OutboxFiles())
        at = std::max(at, QueuedAt(name) + 1);
    const QString path = folder + QLatin1Char('/') + QString::number(at) + QLatin1Char('-') + id + kOutboxSuffix;
    int error = 0;
    if (!QDir().mkpath(folder) || !ReplaceFileAtomically(path, bytes, &error)) {
        qCWarning(lcRecords, "cannot queue the game for the class server in %s: %s", qPrintable(folder),
                  std::strerror(error != 0 ? error : EACCES));
        return {};
    }
    std::lock_guard lock(g_outboxListenerMutex);
    if (g_outboxListener)
        g_outboxListener();
    return path;
}

QStringList OutboxFiles() {
    QStringList names = QDir(OutboxFolder()).entryList({QStringLiteral("*") + kOutboxSuffix}, QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QueuedAt(a) != QueuedAt(b) ? QueuedAt(a) < QueuedAt(b) : a < b;
    });
    return names;
}

std::optional<OutboxGame> ReadOutboxGame(const QString& path, QString* why) {
    const auto fail = [why](const QString& reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray bytes = file.readAll();
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
    queued.history = bytes.mid(end + 1);
    QString reason;
    std::optional<GameRecord> game = ParseGameRecord(queued.history, false, &reason);
    if (!game)
        return fail(reason);
    queued.game = std::move(*game);
    return queued;
}

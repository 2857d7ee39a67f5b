#include "records/Players.h"

#include "platform/FileIo.h"
#include "platform/Translation.h"
#include "records/History.h"
#include "records/Records.h"
#include "records/SaveFailures.h"
#include "state/DataFolders.h"
#include "state/Log.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

const QString kPlayersFolder = QStringLiteral("players");
const QString kRemovedFolder = QStringLiteral("players-removed");
const QString kSystemCfg = QStringLiteral("system.cfg");
const QString kHistory = QStringLiteral("history");
const QString kLanguageCfg = QStringLiteral("language.cfg");
constexpr int kSlugLength = 16;

std::mutex g_currentMutex;
std::optional<Player> g_current;

struct Index {
    std::vector<Player> players;
    QString adopting; // folder of a player taking today's progress, while that is under way
};

QString PlayersRoot() {
    return DataFilePath(kPlayersFolder);
}

Index ReadIndex() {
    Index index;
    QByteArray bytes;
    int error = 0;
    if (!ReadFileThroughSafeLinks(PlayersFilePath(), &bytes, &error, kMaxSettingsFileBytes)) {
        if (error != ENOENT)
            qCWarning(lcRecords, "cannot read the players of %s: %s", qPrintable(PlayersFilePath()),
                      std::strerror(error));
        return index;
    }
    const auto listed = [&](const auto& same) {
        return std::any_of(index.players.begin(), index.players.end(), same);
    };
    for (const QByteArray& raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw);
        const QString folder = line.section(QLatin1Char(' '), 1, 1);
        // Only names our own code made lead to folders: nothing in the file reaches another path.
        const bool safe = !folder.isEmpty() && folder.size() <= 40 &&
                          std::all_of(folder.begin(), folder.end(), [](QChar c) {
                              return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
                          });
        if (line.startsWith(QLatin1String("player ")) && safe) {
            const QString name = SafePlayerName(line.section(QLatin1Char(' '), 2));
            // One folder a player, one player a name: a second line for either is not ours, and
            // would make two players share progress, or one name fly as someone else.
            if (listed([&](const Player& p) { return p.name == name || p.folder == folder; }))
                qCWarning(lcRecords, "skipped a second line for a player or a folder in %s: %s",
                          qPrintable(PlayersFilePath()), qPrintable(line));
            else if (!name.trimmed().isEmpty())
                index.players.push_back({name, folder});
        } else if (line.startsWith(QLatin1String("adopting ")) && safe) {
            index.adopting = folder;
        } else if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            qCWarning(lcRecords, "skipped a line of %s: %s", qPrintable(PlayersFilePath()), qPrintable(line));
        }
    }
    return index;
}

bool WriteIndex(const Index& index, QString* error) {
    QByteArray bytes = "# The players of this PC: player <folder> <name>, in the order they were added.\n";
    for (const Player& player : index.players)
        bytes += "player " + player.folder.toUtf8() + ' ' + player.name.toUtf8() + '\n';
    if (!index.adopting.isEmpty())
        bytes += "adopting " + index.adopting.toUtf8() + '\n';
    int errorNumber = 0;
    if (QDir().mkpath(DataFilePath(u"")) && ReplaceFileAtomically(PlayersFilePath(), bytes, &errorNumber))
        return true;
    const QString why = ErrorText(errorNumber);
    qCWarning(lcRecords, "cannot write %s: %s", qPrintable(PlayersFilePath()), qPrintable(why));
    if (error)
        *error = Aviluma::tr("无法保存玩家名单 %1：%2")
                     .arg(PlayersFilePath(), why);
    return false;
}

QString CleanName(const QString& typed) {
    return SafePlayerName(typed).trimmed();
}

// Its ASCII letters and digits, so a folder can be told by eye, and a hash of the whole name, so two
// names never share one.
QString FolderFor(const QString& name, const std::vector<Player>& players) {
    QString slug;
    for (const QChar c : name) {
        if (slug.size() == kSlugLength)
            break;
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            slug += c;
        else if (c >= u'A' && c <= u'Z')
            slug += c.toLower();
    }
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(8));
    const QString base = (slug.isEmpty() ? QStringLiteral("p") : slug) + QLatin1Char('-') + hash;
    const auto taken = [&](const QString& folder) {
        return std::any_of(players.begin(), players.end(),
                           [&](const Player& p) { return p.folder == folder; }) ||
               QFileInfo::exists(PlayersRoot() + QLatin1Char('/') + folder);
    };
    QString folder = base;
    for (int n = 2; taken(folder); ++n)
        folder = base + QLatin1Char('-') + QString::number(n);
    return folder;
}

std::optional<QString> CheckNewName(const QString& name, const std::vector<Player>& players,
                                    const Player* except = nullptr) {
    if (name.isEmpty())
        return Aviluma::tr("请输入玩家的名字。");
    for (const Player& player : players) {
        if (player.name == name && !(except && player.folder == except->folder))
            return Aviluma::tr("已有名为“%1”的玩家。").arg(name);
    }
    return std::nullopt;
}

// The entry a new player gets in index: the name cleaned and free, a folder of its own.
std::optional<Player> NewEntry(const Index& index, const QString& typedName, QString* error) {
    const QString name = CleanName(typedName);
    if (const std::optional<QString> refused = CheckNewName(name, index.players)) {
        if (error)
            *error = *refused;
        return std::nullopt;
    }
    return Player{name, FolderFor(name, index.players)};
}

// Moves what is at from to to, unless it is already there. False when both exist (nothing is
// overwritten) or the rename fails.
bool MoveInto(const QString& from, const QString& to) {
    if (!QFileInfo::exists(from))
        return true; // moved before, or never there
    if (QFileInfo::exists(to)) {
        qCWarning(lcRecords, "not moving %s: %s exists", qPrintable(from), qPrintable(to));
        return false;
    }
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        qCWarning(lcRecords, "cannot move %s to %s: %s", qPrintable(from), qPrintable(to),
                  std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace

QString PlayersFilePath() {
    return DataFilePath(u"players.cfg");
}

QString PlayerHistoryFolder(const Player& player) {
    return PlayerFolderPath(player) + QLatin1Char('/') + kHistory;
}

QString RemovedPlayersFolder() {
    return DataFilePath(kRemovedFolder);
}

QString PlayerFolderPath(const Player& player) {
    return PlayersRoot() + QLatin1Char('/') + player.folder;
}

std::vector<Player> ReadPlayers() {
    return ReadIndex().players;
}

std::optional<Player> FindPlayer(const std::vector<Player>& players, const QString& name) {
    const QString clean = CleanName(name);
    for (const Player& player : players) {
        if (player.name == clean)
            return player;
    }
    return std::nullopt;
}

bool HasUnownedProgress() {
    if (!ReadPlayers().empty())
        return false;
    return QFileInfo::exists(DataFilePath(kSystemCfg)) || QFileInfo::exists(DataFilePath(kHistory));
}

namespace {

// A language chosen while this PC had no players is the first player's choice too: it is copied
// into their folder (the PC's own stays for when nobody is chosen). Nothing is lost when it cannot
// be: the player chooses again.
void CarryLanguageChoice(const Player& first) {
    QByteArray bytes;
    int errorNumber = 0;
    if (!ReadFileThroughSafeLinks(DataFilePath(kLanguageCfg), &bytes, &errorNumber, kMaxSettingsFileBytes))
        return;
    const QString target = PlayerFolderPath(first) + QLatin1Char('/') + kLanguageCfg;
    if (!QDir().mkpath(PlayerFolderPath(first)) || !ReplaceFileAtomically(target, bytes, &errorNumber))
        qCWarning(lcRecords, "the language chosen before any player could not be kept in %s: %s",
                  qPrintable(target), std::strerror(errorNumber));
}

} // namespace

std::optional<Player> AddPlayer(const QString& typedName, QString* error) {
    Index index = ReadIndex();
    const std::optional<Player> entry = NewEntry(index, typedName, error);
    if (!entry)
        return std::nullopt;
    const Player player = *entry;
    if (!QDir().mkpath(PlayerFolderPath(player))) {
        if (error)
            *error = Aviluma::tr("无法创建玩家的文件夹 %1。")
                         .arg(PlayerFolderPath(player));
        return std::nullopt;
    }
    const bool first = index.players.empty();
    index.players.push_back(player);
    if (!WriteIndex(index, error))
        return std::nullopt;
    if (first)
        CarryLanguageChoice(player);
    return player;
}

namespace {

// Steps 2 and 3 of a move of today's progress into a player's folder, and then the index's note of it
// taken out; stopAfter as for AdoptProgress(). Every step is one rename and is skipped once done, so
// a move cut anywhere is finished by running this again.
bool MoveProgress(Index index, int stopAfter) {
    const QString folder = PlayerFolderPath(Player{QString(), index.adopting});
    if (!QDir().mkpath(folder) || !MoveInto(DataFilePath(kSystemCfg), folder + QLatin1Char('/') + kSystemCfg))
        return false;
    if (stopAfter == 2)
        return true;
    if (!MoveInto(DataFilePath(kHistory), folder + QLatin1Char('/') + kHistory))
        return false;
    if (stopAfter == 3)
        return true;
    index.adopting.clear();
    return WriteIndex(index, nullptr);
}

} // namespace

std::optional<Player> AdoptProgress(const QString& typedName, QString* error, int stopAfter) {
    Index index = ReadIndex();
    const std::optional<Player> entry = NewEntry(index, typedName, error);
    if (!entry)
        return std::nullopt;
    const Player player = *entry;
    const bool first = index.players.empty();
    index.players.push_back(player);
    index.adopting = player.folder;
    if (!WriteIndex(index, error))
        return std::nullopt;
    if (first)
        CarryLanguageChoice(player);
    if (stopAfter == 1)
        return player;
    if (!MoveProgress(index, stopAfter)) {
        if (error)
            *error =
                Aviluma::tr("无法把现有进度移到 %1，下次启动时会再试。")
                    .arg(PlayerFolderPath(player));
        return std::nullopt;
    }
    return player;
}

bool FinishAdoption() {
    const Index index = ReadIndex();
    if (index.adopting.isEmpty())
        return true;
    qCInfo(lcRecords, "finishing the move of the progress into %s",
           qPrintable(PlayerFolderPath(Player{QString(), index.adopting})));
    return MoveProgress(index, 0); // on failure the index still says so: the next start tries again
}

bool RenamePlayer(const Player& player, const QString& typedName, QString* error) {
    Index index = ReadIndex();
    const QString name = CleanName(typedName);
    if (const std::optional<QString> refused = CheckNewName(name, index.players, &player)) {
        if (error)
            *error = *refused;
        return false;
    }
    for (Player& entry : index.players) {
        if (entry.folder == player.folder)
            entry.name = name;
    }
    if (!WriteIndex(index, error))
        return false;
    std::lock_guard lock(g_currentMutex);
    if (g_current && g_current->folder == player.folder)
        g_current->name = name;
    return true;
}

bool RemovePlayer(const Player& player, QString* error) {
    Index index = ReadIndex();
    std::erase_if(index.players, [&](const Player& entry) { return entry.folder == player.folder; });
    // The index first: a crash in between leaves a folder nobody lists, never a player without one.
    if (!WriteIndex(index, error))
        return false;
    const QString removed = RemovedPlayersFolder();
    const QString to = removed + QLatin1Char('/') + player.folder + QLatin1Char('-') +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (QFileInfo::exists(PlayerFolderPath(player)) &&
        (!QDir().mkpath(removed) || !MoveInto(PlayerFolderPath(player), to))) {
        if (error)
            *error = Aviluma::tr("已从名单中移除，但无法移走文件夹 %1。")
                         .arg(PlayerFolderPath(player));
        return false;
    }
    return true;
}

std::vector<PlayerSummary> SummarisePlayers(const std::vector<Player>& players) {
    std::vector<PlayerSummary> summaries;
    for (const Player& player : players) {
        PlayerSummary summary;
        summary.player = player;
        const QString folder = PlayerFolderPath(player);
        summary.openLevel = ReadOpenLevel(folder + QLatin1Char('/') + kSystemCfg);
        const QString history = PlayerHistoryFolder(player);
        summary.games = CountHistoryGames(history);
        if (summary.games > 0)
            summary.lastPlayed = QFileInfo(history).lastModified(); // a game written adds a file
        summaries.push_back(summary);
    }
    // Last added first among equals: the stable sort of the list reversed.
    std::reverse(summaries.begin(), summaries.end());
    std::stable_sort(summaries.begin(), summaries.end(), [](const PlayerSummary& a, const PlayerSummary& b) {
        if (a.lastPlayed.isValid() != b.lastPlayed.isValid())
            return a.lastPlayed.isValid();
        return a.lastPlayed > b.lastPlayed;
    });
    return summaries;
}

bool UsePlayer(const std::optional<Player>& player, QString* error) {
    if (player) {
        int refused = CheckFolders(PlayerFolderPath(*player), true);
        if (refused == 0)
            refused = CheckFolders(PlayerHistoryFolder(*player));
        if (refused == ELOOP || refused == ENOTDIR) {
            qCWarning(lcRecords, "not flying as %s: %s leads outside the data folder, or is no folder",
                      qPrintable(player->name), qPrintable(PlayerFolderPath(*player)));
            if (error)
                *error = Aviluma::tr("玩家“%1”的文件夹 %2 是指向数据文件夹以外的链接，或者不是文件夹，"
                                           "可能是其他用户放的。游戏不会使用它，请把它移走后再试。")
                             .arg(player->name, PlayerFolderPath(*player));
            return false;
        }
    }
    SetProgressFolder(player ? PlayerFolderPath(*player) : QString());
    std::lock_guard lock(g_currentMutex);
    g_current = player;
    return true;
}

std::optional<Player> CurrentPlayer() {
    std::lock_guard lock(g_currentMutex);
    return g_current;
}

bool CurrentPlayerHasFlown() {
    if (CountHistoryGames(HistoryFolder()) > 0 || ReadOpenLevel() > 1)
        return true;
    for (int level = 1; level <= kLevelCount; ++level)
        if (ReadBestScore(level) > 0)
            return true;
    return false;
}

QString ReadLanguageChoice() {
    QByteArray bytes;
    int error = 0;
    if (!ReadFileThroughSafeLinks(ProgressFilePath(kLanguageCfg), &bytes, &error, kMaxSettingsFileBytes))
        return {};
    return QString::fromUtf8(bytes.left(16)).trimmed();
}

bool WriteLanguageChoice(const QString& code, QString* error) {
    const QString path = ProgressFilePath(kLanguageCfg);
    int errorNumber = 0;
    if (ReplaceFileAtomically(path, code.toUtf8() + '\n', &errorNumber))
        return true;
    *error = Aviluma::tr("无法保存语言的选择 %1：%2")
                 .arg(path, ErrorText(errorNumber));
    return false;
}

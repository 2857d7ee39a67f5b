// Reads any bytes as the players' index (players.cfg, which whoever may write the data folder may
// write), then flies as each player listed: their progress, language and a game saved, as a start and
// a game do. Checks that
//   - nothing changes outside the data folder's players/ (the victim's folder beside it, the PC's own
//     progress in Data/), also through a planted link among the players' folders;
//   - inside players/, only the folders of players listed are written, each a name of letters, digits
//     and hyphens of our own making;
//   - no name is listed twice, and no folder.
// Input: the file's bytes.
#include "FuzzSupport.h"
#include "records/History.h"
#include "records/Players.h"
#include "records/Records.h"
#include "state/DataFolders.h"

#include <QLoggingCategory>
#include <QRegularExpression>

#include <cstdint>
#include <set>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Base() {
    static const QString base = [] {
        const QString folder = ScratchFolder();
        QDir(folder).mkpath(QStringLiteral("Data/players"));
        QDir(folder).mkpath(QStringLiteral("victim"));
        SetDataFolders({folder + QStringLiteral("/Data"), folder + QStringLiteral("/Record")});
        // players/ as a shared folder: another account's link in it leads to their victim's folder.
        Check(chmod(QFile::encodeName(folder + QStringLiteral("/Data/players")).constData(), 0777) == 0 &&
                  symlink("../../victim",
                          QFile::encodeName(folder + QStringLiteral("/Data/players/evil-00000000"))
                              .constData()) == 0,
              "a link can be planted");
        QLoggingCategory::setFilterRules(QStringLiteral("records.warning=false"));
        return folder;
    }();
    return base;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString base = Base();
    const QString players = base + QStringLiteral("/Data/players");
    for (const QFileInfo& entry :
         QDir(players).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
    WriteBytes(PlayersFilePath(), InputBytes(data, size));
    const auto outside = Snapshot(base, {players});

    const std::vector<Player> listed = ReadPlayers();
    std::set<QString> names, folders;
    for (const Player& player : listed) {
        Check(names.insert(player.name).second && folders.insert(player.folder).second,
              "no name and no folder is listed twice");
        if (UsePlayer(player)) {
            WriteOpenLevel(2);
            QString error;
            WriteLanguageChoice(QStringLiteral("en"), &error);
            WriteGameRecord(GameRecord{});
        }
    }
    UsePlayer(std::nullopt);

    Check(Snapshot(base, {players}) == outside, "nothing outside players/ changes");
    static const QRegularExpression kOurs(QRegularExpression::anchoredPattern(QStringLiteral("[a-z0-9-]+")));
    for (const QString& path : Snapshot(players).keys()) {
        const QString folder = path.mid(players.size() + 1).section(QLatin1Char('/'), 0, 0);
        Check(folder == QStringLiteral("evil-00000000") ||
                  (folders.count(folder) == 1 && kOurs.match(folder).hasMatch()),
              "only the folders of players listed are written");
    }
    return 0;
}

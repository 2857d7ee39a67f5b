// Reads any bytes as a game waiting in the outbox (a file the player's own account wrote, or one a
// forger slipped in), and makes it this PC's as the sender does before it sends. Checks that
//   - reading and stamping write nothing, anywhere;
//   - a game read is one the history reader takes (its lines read back as the same game);
//   - a stamped game goes as this PC's: the class and seat of its settings, and as a player this PC
//     lists (by their name of today), or one it removed (by the folder kept), or none at all.
// Input: the file's bytes.
#include "FuzzSupport.h"
#include "records/History.h"
#include "records/Outbox.h"
#include "records/Players.h"
#include "state/DataFolders.h"

#include <QLoggingCategory>

#include <cstdint>

namespace {

const ClassSettings kSettings{QStringLiteral("host=server"), QStringLiteral("3班"), QStringLiteral("12")};

QString Base() {
    static const QString base = [] {
        const QString folder = ScratchFolder();
        QDir(folder).mkpath(QStringLiteral("Data/players/ann-1a2b3c4d"));
        QDir(folder).mkpath(QStringLiteral("Data/players-removed/bo-00000001-20261201-100000"));
        SetDataFolders({folder + QStringLiteral("/Data"), folder + QStringLiteral("/Record")});
        WriteBytes(PlayersFilePath(), "player ann-1a2b3c4d Ann\n");
        OutboxFiles(); // the outbox, private
        QLoggingCategory::setFilterRules(QStringLiteral("records.warning=false"));
        return folder;
    }();
    return base;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString base = Base();
    const QString path =
        OutboxFolder() + QStringLiteral("/1765270800000-0b0c6a4e-2f35-4f0e-9a53-6f1d1e0c4a11.jsonl");
    WriteBytes(path, InputBytes(data, size));
    const auto before = Snapshot(base);

    QString why;
    bool lasting = false;
    std::optional<OutboxGame> queued = ReadOutboxGame(path, &why, &lasting);
    const bool stamped = queued && StampOutboxGame(*queued, kSettings, &why);

    Check(Snapshot(base) == before, "reading and stamping write nothing");
    if (!queued)
        return 0;
    Check(ParseGameRecord(queued->history).has_value(), "a game read is one the history reader takes");
    if (!stamped)
        return 0;
    Check(queued->className == kSettings.className && queued->seat == kSettings.seat,
          "a game goes with this PC's class and seat");
    Check(queued->pcPlayer.isEmpty() || queued->pcPlayer == QStringLiteral("Ann") ||
              queued->pcPlayerFolder == QStringLiteral("bo-00000001"),
          "a game goes as a player of this PC, one removed, or none");
    return 0;
}

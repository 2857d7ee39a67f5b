// Feeds any bytes as a game-history file (JSON Lines), whole and as the summary the debrief lists.
// Checks that
//   - parsing never fails or hangs: anything that is no history file of this version is refused;
//   - the summary of a file that reads whole is that game without its attempts, and a file whose
//     summary is refused is refused whole;
//   - a game read is written again to bytes that read as the same game (the round trip the debrief
//     and the export rely on), and writing that game again gives the same bytes;
//   - its export for a coach is a header row and one row per sample (one per attempt without
//     samples), seventeen fields each, whatever the player's name holds, with the name in its field
//     (and, given as the PC's player, in the last one).
// Local times are read under Central European rules (spelt out, so that no time-zone data is needed),
// so that the hour skipped in spring and the hour repeated in autumn are within reach.
#include "FuzzSupport.h"
#include "records/Csv.h"
#include "records/History.h"
#include "support/CsvReader.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <vector>

namespace {

// A local time without an offset in the hour that repeats stands for either of two instants, and the
// C library picks one by what it was asked before: the summary may take the other one. Both are the
// time the file says.
bool SameTime(const QDateTime& a, const QDateTime& b) {
    return a == b || (a.timeSpec() == Qt::LocalTime && b.timeSpec() == Qt::LocalTime &&
                      a.toString(Qt::ISODateWithMs) == b.toString(Qt::ISODateWithMs));
}

void CheckExport(const GameRecord& game) {
    const QString text = QStringDecoder("GB18030").decode(HistoryCsv({game}, game.player));
    const std::vector<QStringList> rows = ReadCsv(text);
    std::size_t expected = 1;
    for (const AttemptRecord& attempt : game.attempts)
        expected += std::max<std::size_t>(attempt.samples.size(), 1);
    Check(rows.size() == expected, "one export row per sample");
    for (const QStringList& row : rows)
        Check(row.size() == 18, "eighteen fields in every export row");
    // The export writes through the sheets' code page, which holds every character but no half of a
    // surrogate pair (a file may spell one with \u escapes).
    if (QStringView(game.player).isValidUtf16()) {
        const std::vector<QStringList> alone = ReadCsv(SheetField(game.player));
        const QString name = alone.empty() ? QString() : alone[0].value(0);
        for (std::size_t i = 1; i < rows.size(); ++i)
            Check(rows[i][6] == name && rows[i][16] == name, "the player's name is one field of every row");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes = InputBytes(data, size);
    QString why;
    const std::optional<GameRecord> game = ParseGameRecord(bytes, false, &why);
    const std::optional<GameRecord> summary = ParseGameRecord(bytes, true);
    if (!game) {
        Check(!why.isEmpty(), "a refused file says why");
        return 0;
    }
    Check(summary.has_value(), "a game that reads whole has a summary");
    GameRecord head = *game;
    head.attempts.clear();
    Check(SameTime(summary->started, head.started) && SameTime(summary->ended, head.ended),
          "the summary has the game's times");
    head.started = summary->started;
    head.ended = summary->ended;
    Check(*summary == head, "the summary is the game without its attempts");

    const QByteArray written = GameRecordBytes(*game);
    const std::optional<GameRecord> again = ParseGameRecord(written);
    Check(again.has_value(), "a game read is written to a file that reads");
    Check(*again == *game, "a game read reads back as the same game");
    Check(GameRecordBytes(*again) == written, "writing a game read back gives the same bytes");
    CheckExport(*game);
    return 0;
}

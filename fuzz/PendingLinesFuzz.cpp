// Reads any bytes as the waiting score-sheet lines (a file that whoever may write the settings folder
// may write) and delivers what it takes, as a start does. Checks that
//   - nothing outside the record folder and the settings folder changes, also through a link in the
//     record folder named like a sheet or a name that climbs out of it;
//   - every line a sheet holds afterwards is its header or a line the game writes: four fields, no
//     line break and no control character inside, the name guarded against formulas.
// Input: the file's bytes.
#include "FuzzSupport.h"
#include "platform/LocalClock.h"
#include "records/Csv.h"
#include "records/ScoreSheet.h"
#include "state/DataFolders.h"

#include <QLoggingCategory>
#include <QStringDecoder>

#include <cstdint>

#include <unistd.h>

namespace {

const QString kHeader = QStringLiteral("姓名,得分,类型,时间");

QString Base() {
    static const QString base = [] {
        const QString folder = ScratchFolder();
        QDir(folder).mkpath(QStringLiteral("Data"));
        QDir(folder).mkpath(QStringLiteral("Record"));
        SetDataFolders({folder + QStringLiteral("/Data"), folder + QStringLiteral("/Record")});
        WriteBytes(folder + QStringLiteral("/victim"), "mine\n");
        Check(symlink(
                  "../victim",
                  QFile::encodeName(folder + QStringLiteral("/Record/无尽模式2019-06-01-14-05-09.csv"))) == 0,
              "a link can be planted");
        SetLocalTimeSource([] { return QDateTime(QDate(2019, 6, 1), QTime(14, 5, 9)); });
        QLoggingCategory::setFilterRules(QStringLiteral("records.warning=false"));
        return folder;
    }();
    return base;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString base = Base();
    QDir dataFolder(base + QStringLiteral("/Data"));
    for (const QString& name : dataFolder.entryList(QDir::Files | QDir::Hidden))
        dataFolder.remove(name);
    QDir record(base + QStringLiteral("/Record"));
    for (const QString& name : record.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!QFileInfo(record.filePath(name)).isSymLink())
            record.remove(name);
    WriteBytes(record.filePath(QStringLiteral("狂野模式2019-06-01-14-05-09.csv")), SheetBytes(kHeader));
    WriteBytes(dataFolder.filePath(kPendingSheetLinesName), InputBytes(data, size));

    const QStringList ours{record.path(), dataFolder.path()};
    const auto outside = Snapshot(base, ours);

    WritePendingSheetLines();

    Check(Snapshot(base, ours) == outside, "nothing outside the record and settings folders changes");
    for (const QString& name : record.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (QFileInfo(record.filePath(name)).isSymLink())
            continue;
        Check(IsSheetFileName(name), "only sheets are made in the record folder");
        QStringDecoder decoder("GB18030");
        const QString text = decoder.decode(ReadBytes(record.filePath(name)));
        Check(!decoder.hasError() && text.endsWith(QStringLiteral("\r\n")), "a sheet ends on a whole line");
        const QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
        Check(lines[0] == kHeader, "a sheet starts with its header");
        for (const QString& line : lines.mid(1))
            Check(IsSheetLine(line) && !line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')),
                  "every line is a line the game writes");
    }
    return 0;
}

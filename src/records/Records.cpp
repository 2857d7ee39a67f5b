#include "records/Records.h"

#include "platform/ProfileFile.h"
#include "records/SaveFailures.h"
#include "state/DataFolders.h"

#include <algorithm>

namespace {

const QString kGradeSection = QStringLiteral("Grade");
const QString kLevelKey = QStringLiteral("level");
const QString kMaxRecordSection = QStringLiteral("MaxRecord");

QString GradeKey(int level) {
    return QStringLiteral("grade%1").arg(level);
}
QString TopKey(int rank) {
    return QStringLiteral("top%1").arg(rank);
}
QString NameKey(int rank) {
    return QStringLiteral("name%1").arg(rank);
}

QString ReadText(const QString& filePath, const QString& section, const QString& key) {
    return GetPrivateProfileString(section, key, kMissingText, kProfileTextBuffer, filePath);
}

// Every write of the records: all its values land in one replacement of the file, or none do and the
// player hears why.
bool Save(const QString& filePath, const QString& section, const ProfileValues& values) {
    int error = 0;
    if (WritePrivateProfileValues(section, values, filePath, &error))
        return true;
    ReportSaveFailure(filePath, error);
    return false;
}

} // namespace

QString SafePlayerName(const QString& typed) {
    return SafeText(typed, kMaxNameLength);
}

QString SafeText(const QString& typed, int maxLength) {
    QString fit;
    for (const QChar c : typed) {
        const char16_t u = c.unicode();
        // Bidirectional embeddings, overrides and isolates reorder what follows them on screen and
        // in a spreadsheet: a name could show as another name, or another score.
        const bool bidi = (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
        const bool control = u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 || bidi;
        if (!control)
            fit += c;
    }
    // Half of a surrogate pair is no character: no file encoding holds it, so it would come back as
    // another character, or none.
    QString name;
    for (qsizetype i = 0; i < fit.size(); ++i) {
        if (fit[i].isHighSurrogate() && i + 1 < fit.size() && fit[i + 1].isLowSurrogate())
            name += fit[i++];
        else if (fit[i].isSurrogate())
            continue;
        name += fit[i];
    }
    // Cutting between the halves of a surrogate pair would leave half a character.
    qsizetype length = std::min(name.size(), qsizetype{maxLength});
    if (length > 0 && length < name.size() && name[length - 1].isHighSurrogate())
        --length;
    return name.left(length);
}

QString SystemCfgPath() {
    return ProgressFilePath(u"system.cfg");
}
QString RecordCfgPath() {
    return DataFilePath(u"record.cfg");
}
QString RaceCfgPath() {
    return DataFilePath(u"race.cfg");
}

QString TopListFilePath(PlayType playType) {
    return playType == PlayType::Competition ? RaceCfgPath() : RecordCfgPath();
}

QString TopListSection(GameMode gameMode) {
    return QStringLiteral("TopListMode%1").arg(static_cast<int>(gameMode) + 1);
}

int ReadOpenLevel(const QString& systemCfg) {
    return GetPrivateProfileInt(kGradeSection, kLevelKey, 1, systemCfg);
}

void WriteOpenLevel(int openLevel) {
    Save(SystemCfgPath(), kGradeSection, {{kLevelKey, QString::number(openLevel)}});
}

int OpenLevelAfterGame(int openLevel, int levelPlayed, bool passed) {
    // Passing level 10 opens nothing: there is no level 11.
    if (passed && levelPlayed == openLevel && levelPlayed < kLevelCount)
        return openLevel + 1;
    return openLevel;
}

int ReadBestScore(int level, const QString& systemCfg) {
    return GetPrivateProfileInt(kMaxRecordSection, GradeKey(level), 0, systemCfg);
}

bool BeatsBestScore(int level, int total) {
    return total > ReadBestScore(level);
}

bool WriteBestScore(int level, int total) {
    return Save(SystemCfgPath(), kMaxRecordSection, {{GradeKey(level), QString::number(total)}});
}

bool ClearBestScore(int level) {
    return WriteBestScore(level, 0);
}

std::array<TopListEntry, kTopListSize> ReadTopList(const QString& filePath, const QString& section) {
    std::array<TopListEntry, kTopListSize> list;
    for (int rank = 1; rank <= kTopListSize; ++rank) {
        TopListEntry& entry = list[rank - 1];
        entry.score = GetPrivateProfileInt(section, TopKey(rank), 0, filePath);
        if (entry.score > 0)
            entry.name = ReadText(filePath, section, NameKey(rank));
    }
    return list;
}

int TopListInsertionRank(const QString& filePath, const QString& section, int total) {
    for (int rank = 1; rank <= kTopListSize; ++rank) {
        if (GetPrivateProfileInt(section, TopKey(rank), 0, filePath) < total)
            return total > 0 ? rank : 0;
    }
    return 0;
}

void InsertTopListEntry(const QString& filePath, const QString& section, int rank, int total,
                        const QString& name) {
    // Every move and the new entry land in one write: nobody ever sees a half-shifted list, and a crash
    // cannot lose an entry that was already there.
    ProfileValues values;
    for (int to = kTopListSize; to > rank; --to) {
        values.append({TopKey(to), ReadText(filePath, section, TopKey(to - 1))});
        values.append({NameKey(to), ReadText(filePath, section, NameKey(to - 1))});
    }
    values.append({TopKey(rank), QString::number(total)});
    values.append({NameKey(rank), name});
    Save(filePath, section, values);
}

bool ClearTopList(const QString& filePath, const QString& section) {
    ProfileValues values;
    for (int rank = 1; rank <= kTopListSize; ++rank)
        values.append({TopKey(rank), QStringLiteral("0")});
    for (int rank = 1; rank <= kTopListSize; ++rank)
        values.append({NameKey(rank), QStringLiteral(" ")});
    return Save(filePath, section, values);
}

void ResetCompetitionLists() {
    ClearTopList(RaceCfgPath(), TopListSection(GameMode::Wild));
    ClearTopList(RaceCfgPath(), TopListSection(GameMode::Endless));
}

#include "records/Records.h"

#include "platform/ProfileFile.h"
#include "state/Globals.h"

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

} // namespace

QString SystemCfgPath() {
    return AppPath(u"/Data/system.cfg");
}
QString RecordCfgPath() {
    return AppPath(u"/Data/record.cfg");
}
QString RaceCfgPath() {
    return AppPath(u"/Data/race.cfg");
}

QString TopListFilePath(PlayType playType) {
    return playType == PlayType::Competition ? RaceCfgPath() : RecordCfgPath();
}

QString TopListSection(GameMode gameMode) {
    return QStringLiteral("TopListMode%1").arg(static_cast<int>(gameMode) + 1);
}

int ReadOpenLevel() {
    return GetPrivateProfileInt(kGradeSection, kLevelKey, 1, SystemCfgPath());
}

void WriteOpenLevel(int openLevel) {
    WritePrivateProfileString(kGradeSection, kLevelKey, QString::number(openLevel), SystemCfgPath());
}

int OpenLevelAfterGame(int openLevel, int levelPlayed, bool passed) {
    // Passing level 10 opens nothing: there is no level 11.
    if (passed && levelPlayed == openLevel && levelPlayed < kLevelCount)
        return openLevel + 1;
    return openLevel;
}

int ReadBestScore(int level) {
    return GetPrivateProfileInt(kMaxRecordSection, GradeKey(level), 0, SystemCfgPath());
}

bool BeatsBestScore(int level, int total) {
    return total > ReadBestScore(level);
}

void WriteBestScore(int level, int total) {
    WritePrivateProfileString(kMaxRecordSection, GradeKey(level), QString::number(total), SystemCfgPath());
}

void ClearBestScore(int level) {
    WriteBestScore(level, 0);
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
    WritePrivateProfileValues(section, values, filePath);
}

void ClearTopList(const QString& filePath, const QString& section) {
    ProfileValues values;
    for (int rank = 1; rank <= kTopListSize; ++rank)
        values.append({TopKey(rank), QStringLiteral("0")});
    for (int rank = 1; rank <= kTopListSize; ++rank)
        values.append({NameKey(rank), QStringLiteral(" ")});
    WritePrivateProfileValues(section, values, filePath);
}

void ResetCompetitionLists() {
    ClearTopList(RaceCfgPath(), TopListSection(GameMode::Wild));
    ClearTopList(RaceCfgPath(), TopListSection(GameMode::Endless));
}

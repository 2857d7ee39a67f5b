// The game's settings and record files and every rule about them, in one place.
//
//   Data/system.cfg  [Grade] level            open levels, 1..10 (1 when missing)
//                    [MaxRecord] grade1..10   best total of each level (0: no record)
//   Data/record.cfg  [TopListMode2], [TopListMode3]   top three of practice play (wild, endless)
//   Data/race.cfg    the same for competition play
//
// A top list holds top1..top3 (scores) and name1..name3; entries are copied as text, so a missing one
// travels as "null", which reads back as score 0.
#pragma once

#include "state/GameTypes.h"

#include <QString>

#include <array>

inline constexpr int kTopListSize = 3;
inline constexpr int kProfileTextBuffer = 50; // names come back cut to 49 characters
inline constexpr int kMaxNameLength = kProfileTextBuffer - 1;
inline const QString kMissingText = QStringLiteral("null");

// A name as typed or pasted, made fit to keep: control characters (C0, C1) and line or paragraph
// separators are taken out, since they would start new lines in the settings files, bidirectional
// overrides and isolates (U+202A..U+202E, U+2066..U+2069), which would show it as something else, and halves
// of surrogate pairs, which no file can hold; the name is cut to what the records hold
// (kMaxNameLength). Spaces stay: a name of spaces is a name.
QString SafePlayerName(const QString& typed);
// The same for any text kept in the records and sent to a class (a class, a seat), cut to maxLength.
QString SafeText(const QString& typed, int maxLength);

QString SystemCfgPath();
QString RecordCfgPath();
QString RaceCfgPath();

// race.cfg for competition, record.cfg for practice.
QString TopListFilePath(PlayType playType);
// "TopListMode2" for wild, "TopListMode3" for endless.
QString TopListSection(GameMode gameMode);

// ---- level progress and best scores (system.cfg) ----

int ReadOpenLevel(const QString& systemCfg = SystemCfgPath());
void WriteOpenLevel(int openLevel);
// The open-level count after a level game: one more only when the highest open level was just passed
// and it is one of levels 1 to 9.
int OpenLevelAfterGame(int openLevel, int levelPlayed, bool passed);

int ReadBestScore(int level, const QString& systemCfg = SystemCfgPath());
// A total beats the record only when strictly greater.
bool BeatsBestScore(int level, int total);
// The writes return whether the file took them; a failure has been reported (SaveFailures.h).
bool WriteBestScore(int level, int total);
bool ClearBestScore(int level); // writes "0"

// ---- top lists (record.cfg, race.cfg) ----

struct TopListEntry {
    int score = 0;
    QString name; // read only for a score above 0; "null" when the name is missing
};
std::array<TopListEntry, kTopListSize> ReadTopList(const QString& filePath, const QString& section);

// The rank (1..3) a total enters at: the first whose stored score is strictly less. 0 when it enters
// none, or when the total is 0 or less (such a total never enters a list).
int TopListInsertionRank(const QString& filePath, const QString& section, int total);
// Moves the entries below rank down by one (dropping the last) and writes total and name at rank.
void InsertTopListEntry(const QString& filePath, const QString& section, int rank, int total,
                        const QString& name);
// Empties a list: "0" for every score, a single space for every name.
bool ClearTopList(const QString& filePath, const QString& section);
// A new competition: both lists of race.cfg emptied.
void ResetCompetitionLists();

// Competition score sheets: comma-separated files in Record/, one per competition, one line per game,
// in the Chinese code page with CR LF line ends so a spreadsheet set up for simplified Chinese opens
// them as they are.
#pragma once

#include <QString>

inline const QString kWildSheetText = QStringLiteral("狂野模式");
inline const QString kEndlessSheetText = QStringLiteral("无尽模式");

// Starts the sheet of a new competition in the current mode: its path (mode text and local time) goes
// to g_strSheetPath, the file is created (or emptied) with its header. On failure the player has been
// told and false comes back. Record/ is never created.
bool CreateScoreSheet();

// Appends the line of a finished competition game to the sheet of g_strSheetPath. While the sheet is
// held by another program the player is asked to close it, three times at most; then the line is lost.
// A sheet that was deleted is not created again.
void AppendSheetLine(int score, QString type);

// A field as it goes into the sheet: as it is, or quoted when a comma, a quote or a line break in it
// would break the columns.
QString SheetField(const QString& field);

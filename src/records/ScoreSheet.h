// Competition score sheets: comma-separated files in Record/, one per competition, one line per game,
// in the Chinese code page with CR LF line ends so a spreadsheet set up for simplified Chinese opens
// them as they are.
#pragma once

#include <QString>

#include <functional>

inline const QString kWildSheetText = QStringLiteral("狂野模式");
inline const QString kEndlessSheetText = QStringLiteral("无尽模式");

// Starts the sheet of a new competition in the current mode: its path (mode text and local time) goes
// to g_strSheetPath, the file is created (or emptied) with its header. False when it could not be
// created. Record/ is never created.
bool CreateScoreSheet();

// Appends the line of a finished competition game to the sheet of g_strSheetPath. While the sheet is
// held by another program, askToCloseSheet asks the player to close it and returns when they have
// answered; after three tries the line is lost. A sheet that was deleted is not created again.
void AppendSheetLine(int score, const QString& type, const std::function<void()>& askToCloseSheet);

// A field as it goes into the sheet: as it is, or quoted when a comma, a quote or a line break in it
// would break the columns.
QString SheetField(const QString& field);

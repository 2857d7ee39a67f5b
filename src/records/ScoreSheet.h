// Competition score sheets: comma-separated files in the record folder, one per competition, one line
// per game, in the Chinese code page with CR LF line ends so a spreadsheet set up for simplified Chinese
// opens them as they are.
//
// A line is written whole or not at all. A line that cannot be written when its game ends is kept in
// the settings folder and goes into its sheet, in order, at the next successful write to that sheet or
// at the next start: a finished game's line is never dropped.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

inline const QString kWildSheetText = QStringLiteral("狂野模式");
inline const QString kEndlessSheetText = QStringLiteral("无尽模式");

// Starts the sheet of a new competition in the current mode: its path (mode text and local time) goes
// to g_strSheetPath, the file is created (or replaced) with its header, whole. False when it could not
// be: the record folder is missing (it is never created here), not writable, full, or the sheet of that
// name is held by another program.
bool CreateScoreSheet();

// Appends the line of a finished competition game (after any lines of that sheet still waiting) to the
// sheet of g_strSheetPath. While a spreadsheet holds the sheet, askToCloseSheet asks the player to
// close it and returns when they have answered, three times at most. A line that still cannot be
// written waits for a later chance, and the player hears why (once per run and sheet).
void AppendSheetLine(int score, const QString& type, const std::function<void()>& askToCloseSheet);

// Writes the waiting lines of every sheet that takes them now; the program calls it at start-up.
void WritePendingSheetLines();

// A field as it goes into the sheet: quoted when a comma, a quote or a line break in it would break
// the columns; a field a spreadsheet would take for a formula (beginning with =, +, -, @, a tab or a
// carriage return) gets a leading apostrophe, so it shows as the text it is.
QString SheetField(const QString& field);
// A line as the sheets hold it: in the Chinese code page (GB18030), ended by CR LF.
QByteArray SheetBytes(const QString& line);

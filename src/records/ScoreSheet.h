// Competition score sheets: comma-separated files in the record folder, one per competition, one line
// per game, in the Chinese code page with CR LF line ends so a spreadsheet set up for simplified Chinese
// opens them as they are.
//
// A line is written whole or not at all, and exactly once. Before a line goes into its sheet it is set
// down, flushed to disk, in the waiting lines of the settings folder ("pending-sheet-lines"); it leaves
// them once the sheet has it. A line that cannot be written when its game ends stays there and goes
// into its sheet, in order, at the next successful write to that sheet or at the next start. Whatever
// fails or dies between the two steps, a waiting line that its sheet already holds (whole, after where
// the sheet ended when the line began to wait) is not written again.
//
// The waiting lines name their sheet by file name only, and are taken only for a sheet of the record
// folder named as competitions name them, and only when the line is one this program writes (four
// fields, the name as the name entry leaves it, guarded against formulas): that file is shared with
// whoever may write the settings folder, and must never lead a write anywhere else. What is refused
// or unreadable there is moved aside, never written and never overwritten.
#pragma once

#include "records/SaveFailures.h"

#include <QString>

#include <functional>
#include <vector>

inline const QString kWildSheetText = QStringLiteral("狂野模式");
inline const QString kEndlessSheetText = QStringLiteral("无尽模式");
inline const QString kPendingSheetLinesName = QStringLiteral("pending-sheet-lines");

// Starts the sheet of a new competition in the current mode: its path (mode text and local time) goes
// to g_strSheetPath, the file is created (or replaced) with its header, whole. False when it could not
// be: the record folder is missing (it is never created here), not writable, full, or the sheet of that
// name is held by another program.
bool CreateScoreSheet();

// Appends the line of a finished competition game (after any lines of that sheet still waiting) to the
// sheet of g_strSheetPath. While a spreadsheet holds the sheet, askToCloseSheet asks the player to
// close it and returns when they have answered, three times at most. A line that still cannot be
// written waits for a later chance, and the player hears why (once per run and sheet); a line that
// can be kept nowhere is told every time (SheetNoticeKind::LineLost) and logged whole.
void AppendSheetLine(int score, const QString& type, const std::function<void()>& askToCloseSheet);

// Writes the waiting lines of every sheet that takes them now; the program calls it at start-up. A
// sheet that is gone is made again with its header. Returns what the player should hear: the sheets
// made again, and the lines that still wait, with why.
std::vector<SheetNotice> WritePendingSheetLines();

// Whether name is a sheet's file name as CreateScoreSheet makes them: a mode's text, the date stamp,
// ".csv". Nothing else is a sheet a waiting line may go to.
bool IsSheetFileName(const QString& name);
// Whether line is one AppendSheetLine could have made: the name as the name entry leaves it (no
// control characters, no line breaks) and guarded as SheetField guards it, a whole number, a mode's
// text, the time of day.
bool IsSheetLine(const QString& line);

// A file of the player's that could not be saved is never a silent loss: each failure goes to stderr,
// and the player is told once per run and file (the windows decide the words, through the listener).
#pragma once

#include <QString>

#include <functional>
#include <utility>

// An errno in the player's words: "没有写入权限" ("没有读取权限" for a read), "磁盘空间已满", ...
QString ErrorText(int error, bool reading = false);

// Logs the failure and, the first time for this path in this run, hands it to the listener. error is
// an errno value (EACCES, ENOSPC, ...), or EBUSY for a file another program holds. kept: what could not
// be written waits and is written later (score-sheet lines); otherwise the change is lost.
void ReportSaveFailure(const QString& path, int error, bool kept = false);

// Set by the application at start-up; it may show a message box and so may block. Called on whatever
// thread failed to save. An empty listener only logs.
using SaveFailureListener = std::function<void(const QString& path, int error, bool kept)>;
void SetSaveFailureListener(SaveFailureListener listener);

// What else the player hears about score-sheet lines: each of these is told every time it happens.
enum class SheetNoticeKind {
    LineLost,  // a finished game's line went neither into its sheet nor among the waiting lines
    SetAside,  // the waiting lines' file could not be read, or held lines that were refused: moved aside
    Waiting,   // at start-up: lines still wait for their sheet
    Recreated, // at start-up: the sheet was gone; it was made again and took its waiting lines
};
struct SheetNotice {
    SheetNotice(SheetNoticeKind k, QString p, int e = 0) : kind(k), path(std::move(p)), error(e) {}
    SheetNoticeKind kind;
    QString path;         // the sheet; for SetAside the file the lines were moved to
    int error = 0;        // why the sheet could not take the line(s)
    int pendingError = 0; // LineLost: why the waiting lines' file could not take it either
    int lines = 0;        // Waiting, Recreated, SetAside: how many lines
    QString line;         // LineLost: the line itself, for the player to note down
};
using SheetNoticeListener = std::function<void(const SheetNotice&)>;
void SetSheetNoticeListener(SheetNoticeListener listener);
void ReportSheetNotice(const SheetNotice& notice);

// Forgets which files were reported (tests).
void ForgetReportedSaveFailures();

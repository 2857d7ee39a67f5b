// A file of the player's that could not be saved is never a silent loss: each failure goes to stderr,
// and the player is told once per run and file (the windows decide the words, through the listener).
#pragma once

#include <QString>

#include <functional>

// Logs the failure and, the first time for this path in this run, hands it to the listener. error is
// an errno value (EACCES, ENOSPC, ...), or EBUSY for a file another program holds. kept: what could not
// be written waits and is written later (score-sheet lines); otherwise the change is lost.
void ReportSaveFailure(const QString& path, int error, bool kept = false);

// Set by the application at start-up; it may show a message box and so may block. Called on whatever
// thread failed to save. An empty listener only logs.
using SaveFailureListener = std::function<void(const QString& path, int error, bool kept)>;
void SetSaveFailureListener(SaveFailureListener listener);

// Forgets which files were reported (tests).
void ForgetReportedSaveFailures();

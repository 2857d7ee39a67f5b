// The program's log categories, one per subsystem. Warnings and errors reach stderr; debug lines only
// with --verbose (or QT_LOGGING_RULES), so a game that goes well prints nothing.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)    // the drone's port: discovery, opening, loss and return
Q_DECLARE_LOGGING_CATEGORY(lcRecords) // progress, best scores and score sheets on disk
Q_DECLARE_LOGGING_CATEGORY(lcGame)    // games and attempts
Q_DECLARE_LOGGING_CATEGORY(lcUi)      // windows and the application around them
Q_DECLARE_LOGGING_CATEGORY(lcStartup) // how far start-up has come, in milliseconds since main() began

// Logs (category "startup") that start-up has reached a step, with the milliseconds since the first
// call, which main() makes first thing: start-up's timeline, from main() to the first paint.
void StartupMark(const char* reached);

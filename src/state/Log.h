// The program's log categories, one per subsystem. Warnings and errors reach stderr; debug lines only
// with --verbose (or QT_LOGGING_RULES), so a game that goes well prints nothing.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)    // the drone's port: discovery, opening, loss and return
Q_DECLARE_LOGGING_CATEGORY(lcRecords) // progress, best scores and score sheets on disk
Q_DECLARE_LOGGING_CATEGORY(lcGame)    // games and attempts
Q_DECLARE_LOGGING_CATEGORY(lcUi)      // windows and the application around them

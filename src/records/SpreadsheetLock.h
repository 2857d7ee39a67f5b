// Whether a spreadsheet program has a score sheet open, from the lock files office suites leave beside
// a document while they edit it:
//
//   .~lock.<name>#   one line "<name>,<user>,<host>,<date>,<profile>;"   (the LibreOffice family)
//   .~<name>         also with the name's first one or two characters cut  (WPS Office)
//   ~$<name>         also with the name's first two characters replaced    (Office-compatible suites)
//
// A program that crashed leaves its lock file behind, and such a file must not block the sheet for
// ever: a lock file counts only while its owner may still be alive. It counts when it was made on
// another computer (nothing here can tell), when any process of ours can be seen holding the sheet
// open, or when a program of that suite still runs here; otherwise it is stale.
#pragma once

#include <QString>

bool SheetHeldBySpreadsheet(const QString& sheetPath);

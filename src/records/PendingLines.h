// The waiting lines of the score sheets ("pending-sheet-lines" in the settings folder): each line of a
// sheet is set down here, flushed to disk, before it goes into its sheet, and leaves once the sheet has
// it. The file is shared with whoever may write the settings folder: an entry that names no sheet of the
// record folder, or is no line this program writes, is refused and copied aside, never written.
// Callers hold the lock of the score sheets around a load and the saves that follow it.
#pragma once

#include <QString>

#include <vector>

// A line waiting for its sheet. In the file, one per line: "<sheet> <offset> <line>", the sheet's
// file name and the line percent-encoded. Earlier versions wrote "<sheet path> <line>"; such an entry
// is taken for the sheet of that name in the record folder, and looked for anywhere in it.
struct PendingLine {
    QString sheet;     // file name in the record folder
    qint64 offset = 0; // the sheet's size when the line began to wait: a copy of it can only lie after
    QString line;
};

struct Pending {
    std::vector<PendingLine> lines;
    // Why the file must not be written: something in it could be neither read nor moved aside, and a
    // write would destroy it. 0 when it may be written.
    int unwritable = 0;
};

// The waiting lines. A file that cannot be read is moved aside whole; entries that are refused are
// copied aside with the rest of the file and left out. Either way the player hears where they went.
Pending LoadPending();
// Replaces the file with lines (removes it when there are none); false and *error when it cannot, or
// must not be written (pending.unwritable).
bool SavePending(const Pending& pending, const std::vector<PendingLine>& lines, int* error);
// The lines waiting for sheet, in order; and the list without them.
std::vector<PendingLine> LinesOf(const std::vector<PendingLine>& pending, const QString& sheet);
void DropLinesOf(std::vector<PendingLine>& pending, const QString& sheet);

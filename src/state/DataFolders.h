// Where the player's files live: the settings files ("Data") and the competition score sheets
// ("Record"). Decided once at start-up; every path to those files comes from here.
//
//   --data-dir DIR                    DIR/Data and DIR/Record (made when missing)
//   Data/ and Record/ beside the      a portable copy: the folders beside the program, when this user may
//   program, both writable            write to both
//   otherwise                         per user: the application data folder (~/.local/share/Aviluma) and
//                                     Aviluma in the documents folder (~/Documents/Aviluma)
#pragma once

#include <QString>
#include <QStringView>

struct DataFolders {
    QString data;   // no trailing separator
    QString record; // no trailing separator
};

// The folders for a program in appDir; dataDir is the --data-dir option, empty when not given. The
// folders chosen are made when missing (those of a portable copy always exist).
DataFolders ChooseDataFolders(const QString& appDir, const QString& dataDir);

// The folders in use. Tests set their own.
void SetDataFolders(const DataFolders& folders);
DataFolders CurrentDataFolders();

// A file of the settings folder: DataFilePath(u"record.cfg").
QString DataFilePath(QStringView name);
QString RecordFolder();

// The folder of the current player's own progress (system.cfg) and history: the settings folder
// itself while the PC has no named players, else players/<folder>/ in it. Empty sets it back to
// the settings folder.
void SetProgressFolder(const QString& folder);
QString ProgressFolder();
// A file of the progress folder: ProgressFilePath(u"system.cfg").
QString ProgressFilePath(QStringView name);

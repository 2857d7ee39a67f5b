#include "state/DataFolders.h"

#include "platform/FileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

#include <unistd.h>

namespace {

std::mutex g_foldersMutex;
DataFolders g_folders;
QString g_progress; // empty: the settings folder

const QString kDataName = QStringLiteral("Data");
const QString kRecordName = QStringLiteral("Record");
const QString kPerUserRecordName = QStringLiteral("Aviluma");

// A folder this user may create files in. Root passes access(), but a read-only file system stops it.
bool Writable(const QString& folder) {
    return QFileInfo(folder).isDir() && access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// Made where missing, never through a link another account could have made: the start says so.
DataFolders Made(DataFolders folders) {
    CheckFolders(folders.data, true);
    CheckFolders(folders.record, true);
    return folders;
}

} // namespace

DataFolders ChooseDataFolders(const QString& appDir, const QString& dataDir) {
    if (!dataDir.isEmpty()) {
        const QString base = QDir(dataDir).absolutePath();
        return Made({base + QLatin1Char('/') + kDataName, base + QLatin1Char('/') + kRecordName});
    }
    const DataFolders beside{appDir + QLatin1Char('/') + kDataName, appDir + QLatin1Char('/') + kRecordName};
    if (Writable(beside.data) && Writable(beside.record))
        return beside;
    // Installed for everyone, or a copy this user may not write to: each player keeps their own.
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return Made({QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
                 documents + QLatin1Char('/') + kPerUserRecordName});
}

void SetDataFolders(const DataFolders& folders) {
    std::lock_guard lock(g_foldersMutex);
    g_folders = folders;
    g_progress.clear();
}

DataFolders CurrentDataFolders() {
    std::lock_guard lock(g_foldersMutex);
    return g_folders;
}

QString DataFilePath(QStringView name) {
    QString path = CurrentDataFolders().data;
    path.append(QLatin1Char('/'));
    path.append(name);
    return path;
}

QString RecordFolder() {
    return CurrentDataFolders().record;
}

void SetProgressFolder(const QString& folder) {
    std::lock_guard lock(g_foldersMutex);
    g_progress = folder;
}

QString ProgressFolder() {
    std::lock_guard lock(g_foldersMutex);
    return g_progress.isEmpty() ? g_folders.data : g_progress;
}

QString ProgressFilePath(QStringView name) {
    QString path = ProgressFolder();
    path.append(QLatin1Char('/'));
    path.append(name);
    return path;
}

// Shared set-ups of the test folders: a program folder of the test's own, and message boxes answered
// instead of a player.
#pragma once

#include "platform/MessageBox.h"

#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <functional>
#include <mutex>

// A temporary folder that stands for the program's own (g_strAppDir) with the given subfolders; with
// pictures, also Source/ with the instrument pictures the build drew. Its Data/ and Record/ are the
// data folders in use, whether they exist or not.
class CProgramFolder {
public:
    explicit CProgramFolder(const QStringList& folders = {QStringLiteral("Data"), QStringLiteral("Record")},
                            bool pictures = false);
    QString Path() const { return m_dir.path(); }
    QString FilePath(const QString& relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
};

// Answers every message box with answer and keeps its text, from any thread; the real boxes come back
// when it goes. hook, when set, runs with each text before the answer is given.
class CMessageLog {
public:
    explicit CMessageLog(bool answerWith = false);
    ~CMessageLog();
    CMessageLog(const CMessageLog&) = delete;
    CMessageLog& operator=(const CMessageLog&) = delete;

    QStringList Texts() const;
    void Clear();

    std::atomic<bool> answer;
    std::function<void(const QString&)> hook;

private:
    mutable std::mutex m_mutex;
    QStringList m_texts;
};

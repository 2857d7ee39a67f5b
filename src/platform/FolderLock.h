// One program at a time in a folder: a lock file inside it, locked (flock) for as long as the object
// lives. The kernel lets the lock go with the process however it ends, so a crashed game leaves
// nothing that blocks the next one. The file says who holds it, for the message of a second game.
#pragma once

#include <QString>

class CFolderLock {
public:
    enum class Result { Held, Busy, Failed };
    struct Holder {
        qint64 pid = 0;
        QString user;
    };

    // The lock file's name inside the folder.
    static constexpr const char* kFileName = "aviluma.lock";

    explicit CFolderLock(QString folder);
    ~CFolderLock();
    CFolderLock(const CFolderLock&) = delete;
    CFolderLock& operator=(const CFolderLock&) = delete;

    // Tries once, without waiting. Busy: another process holds it (Owner() says who). Failed: the
    // lock file could not be made or opened (Error() says why); nothing then says whether another
    // process uses the folder.
    Result Claim();
    Holder Owner() const { return m_owner; }
    int Error() const { return m_nError; }
    QString FilePath() const;

private:
    QString m_strFolder;
    int m_fd = -1;
    int m_nError = 0;
    Holder m_owner;
};

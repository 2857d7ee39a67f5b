// One program at a time in a folder: a lock file inside it, locked (flock) for as long as the object
// lives. The kernel lets the lock go with the process however it ends, so a crashed game leaves
// nothing that blocks the next one. Who holds it, for the message of a second game, is what the kernel
// says (the process that took the lock, and its account), never what a file says.
//
// Anyone who can open the file can hold its lock, so only the accounts that may write the folder may
// open it: its mode follows the folder's write permission (0600 in a folder only its owner writes,
// 0660 and the folder's group in a group's folder, 0666 in one all may write). A file in its place
// that others may open although they may not write the folder, a link, a pipe, a folder, or a file
// this account may not open is none of ours: unless a process holds a lock on it, it is renamed
// aside (aviluma.lock.set-aside-<time>-<pid>) and a fresh one made.
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

    // Tries once, without waiting. Busy: another process holds it (Owner() says who; pid 0 when the
    // kernel would not say). Failed: the lock file could not be made or opened (Error() says why);
    // nothing then says whether another process uses the folder.
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

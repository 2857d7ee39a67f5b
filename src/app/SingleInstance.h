// One window per player session: a second start of the game hands over to the running one, which
// comes to the front, and ends. (What keeps two games off the same files is the data folder's lock;
// this is the courtesy of bringing the running game forward.)
#pragma once

#include <QLockFile>
#include <QSocketNotifier>
#include <QString>

#include <functional>
#include <memory>

class CSingleInstance {
public:
    // folder: where the lock and the meeting point live; private to this user (made 0700).
    explicit CSingleInstance(QString folder);
    ~CSingleInstance();
    CSingleInstance(const CSingleInstance&) = delete;
    CSingleInstance& operator=(const CSingleInstance&) = delete;

    // False only when another game of this session runs and answers: it has been asked to come to the
    // front.
    // True otherwise; the game then listens for later starts and calls onAnotherStart for each. When
    // the folder or the lock cannot be used (not ours, not a folder, not writable), a warning says so
    // and the game starts without the hand-over, rather than not at all.
    bool Claim(std::function<void()> onAnotherStart);

private:
    QString m_strFolder;
    std::unique_ptr<QLockFile> m_lock;
    // The meeting point: a Unix socket in the folder, listened to while this game runs.
    int m_nListener = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// One game per player at a time: two copies would each read the settings, play, and write back over
// the other's records. A second start hands over to the running game, which comes to the front, and
// ends.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QString>

#include <functional>
#include <memory>

class CSingleInstance {
public:
    // folder: where the lock and the meeting point live (per user).
    explicit CSingleInstance(const QString& folder);

    // True when this is the only running game; it then listens for later starts and calls onAnotherStart
    // for each. False when another game runs: it has been asked to come to the front.
    bool Claim(std::function<void()> onAnotherStart);

private:
    QString m_strFolder;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};

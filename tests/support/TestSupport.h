// Helpers shared by the test folders.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <map>
#include <thread>

// Polls condition until it holds or bound has passed; returns whether it held. For waiting on other
// threads, never for judging how fast they were.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds bound = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Everything in folder, hidden entries too, by path relative to it: each file with its bytes, each
// folder with a "/" after its name and no bytes. Two calls compare equal when nothing in it changed.
std::map<QString, QByteArray> FolderContents(const QString& folder);
// What differs between two such: "+path" added, "-path" gone, "*path" changed. Empty when nothing.
QStringList FolderChanges(const std::map<QString, QByteArray>& before,
                          const std::map<QString, QByteArray>& after);

// Sends signal to the process a QProcess started; false, and nothing sent, when it has none. Its id is
// 0 before it starts or after it failed to, and kill() of 0 (or less) signals a whole process group:
// the test program, the ctest above it and whatever started that.
bool SignalStarted(const class QProcess& process, int signal);

// Runs body in a child process that has become an ordinary user (root passes every permission check)
// and returns what body returned, 0..255; -1 when the child could not be run or did not finish so.
int RunAsOrdinaryUser(const std::function<int()>& body);

// A small file system (tmpfs of the given size) mounted over folder, for full-disk cases; unmounted when
// it goes. Mounted() is false where mounting is not allowed (not root, or in a container that forbids it).
class CSmallDisk {
public:
    CSmallDisk(const QString& folder, int kilobytes);
    ~CSmallDisk();
    bool Mounted() const { return m_bMounted; }
    // Fills what is left with a file, so the next write finds the disk full; Free() takes it away.
    void Fill();
    void Free();

private:
    QString m_strFolder;
    bool m_bMounted = false;
};

// Processor time this process has used so far.
std::chrono::microseconds ProcessCpuTime();

class QApplication;
// The one application object of a test program, on the offscreen platform, with the UI hand-off queue
// attached to the calling thread.
QApplication& OffscreenApp();

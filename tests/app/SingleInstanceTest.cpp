#include "app/SingleInstance.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A second start asks the first to come forward, also when a game that crashed left its socket file.
TEST(SingleInstance, ASecondStartRaisesTheFirstPastACrashedGamesSocket) {
    OffscreenApp();
    QTemporaryDir runtime;
    const QString folder = runtime.filePath(QStringLiteral("aviluma"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QByteArray socketPath = QFile::encodeName(folder + QStringLiteral("/aviluma.socket"));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<size_t>(socketPath.size()));
    const int leftover = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(leftover, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    close(leftover); // its file stays, as after a crash

    int raised = 0;
    CSingleInstance first(folder);
    ASSERT_TRUE(first.Claim([&] { ++raised; }));
    EXPECT_FALSE(CSingleInstance(folder).Claim([] {}));
    EXPECT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return raised == 1;
    }));
}

// A folder the game cannot trust or use (a file in its place, another user's folder, a lock that
// cannot be made) starts the game anyway, with a warning, instead of stopping it as "already running".
TEST(SingleInstance, AFolderItCannotUseStartsTheGameWithAWarning) {
    OffscreenApp();
    QTemporaryDir runtime;
    ASSERT_EQ(chmod(QFile::encodeName(runtime.path()).constData(), 0777), 0);
    const QString file = runtime.filePath(QStringLiteral("file"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString blocked = runtime.filePath(QStringLiteral("blocked"));
    ASSERT_TRUE(QDir().mkpath(blocked + QStringLiteral("/aviluma.lock"))); // a folder where the lock goes
    for (const QString& folder : {file, blocked}) {
        CLogCapture log;
        EXPECT_TRUE(CSingleInstance(folder).Claim([] {})) << qPrintable(folder);
        EXPECT_TRUE(log.Lines().join(' ').contains(QStringLiteral("starting without"))) << qPrintable(folder);
    }
    // Another user made the folder in a shared temporary folder and holds a lock in it (their own
    // process lives): not used, and no stop.
    if (geteuid() != 0)
        return; // needs another user
    const QString theirs = runtime.filePath(QStringLiteral("theirs"));
    ASSERT_TRUE(QDir().mkdir(theirs));
    ASSERT_EQ(chmod(QFile::encodeName(theirs).constData(), 0777), 0);
    QLockFile planted(theirs + QStringLiteral("/aviluma.lock"));
    ASSERT_TRUE(planted.tryLock(0));
    EXPECT_EQ(RunAsOrdinaryUser([&] { return CSingleInstance(theirs).Claim([] {}) ? 0 : 1; }), 0);
}

} // namespace

#include "platform/FolderLock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <csignal>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One game per data folder, whichever account starts it, and the folder is free again the moment the
// game is gone, however it ended; the second is told who holds it.
TEST(FolderLock, OneHolderPerFolderWhoeverAsksUntilItsProcessIsGone) {
    QTemporaryDir folder;
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0777), 0); // shared by the accounts
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        CFolderLock lock(folder.path());
        const char held = lock.Claim() == CFolderLock::Result::Held ? 1 : 0;
        [[maybe_unused]] const ssize_t n = write(ready[1], &held, 1);
        pause();
        _exit(0);
    }
    char held = 0;
    ASSERT_EQ(read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 1);

    CFolderLock second(folder.path());
    EXPECT_EQ(second.Claim(), CFolderLock::Result::Busy);
    EXPECT_EQ(second.Owner().pid, holder);
    EXPECT_FALSE(second.Owner().user.isEmpty());
    EXPECT_EQ(RunAsOrdinaryUser([&] { return int(CFolderLock(folder.path()).Claim()); }),
              int(CFolderLock::Result::Busy));

    kill(holder, SIGKILL); // no clean-up: the lock goes with the process
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(second.Claim(), CFolderLock::Result::Held);
    EXPECT_EQ(RunAsOrdinaryUser([&] {
                  CFolderLock other(folder.path());
                  return int(other.Claim()) * 10 + (other.Owner().pid == getppid() ? 1 : 0);
              }),
              int(CFolderLock::Result::Busy) * 10 + 1);
}

} // namespace

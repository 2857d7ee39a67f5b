#include "platform/FolderLock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <functional>
#include <vector>

#include <fcntl.h>

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

// Only an account that may write the folder may open its lock, so no other can hold it; a note in the
// file names nobody; and whatever was planted in its place, one game holds it and the next is told.
TEST(FolderLock, OnlyTheFoldersWritersHoldItWhateverWasPlantedInItsPlace) {
    QTemporaryDir folder;
    const QByteArray path = QFile::encodeName(folder.filePath(QLatin1String(CFolderLock::kFileName)));
    const auto claimElsewhere = [&] {
        return RunAsOrdinaryUser([&] { return int(CFolderLock(folder.path()).Claim()); });
    };
    if (geteuid() == 0) {
        ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0755), 0); // a home's data folder
        {
            QFile old(QString::fromLocal8Bit(path)); // left by an older game: open to all, and forged
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("1 root\n");
            ASSERT_TRUE(old.setPermissions(QFileDevice::Permissions(0x6666)));
        }
        EXPECT_NE(claimElsewhere(), int(CFolderLock::Result::Held));
        CFolderLock mine(folder.path());
        ASSERT_EQ(mine.Claim(), CFolderLock::Result::Held);
        struct stat st {};
        ASSERT_EQ(stat(path.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        const pid_t asker = fork(); // another process of a writer asks: told who holds it, by the kernel
        if (asker == 0) {
            CFolderLock other(folder.path());
            _exit(other.Claim() == CFolderLock::Result::Busy && other.Owner().pid == getppid() ? 0 : 1);
        }
        int status = -1;
        ASSERT_EQ(waitpid(asker, &status, 0), asker);
        EXPECT_EQ(status, 0);
    }
    ASSERT_EQ(chmod(QFile::encodeName(folder.path()).constData(), 0777), 0);
    const auto plant = std::vector<std::pair<const char*, std::function<int()>>>{
        {"a pipe", [&] { return mkfifo(path.constData(), 0666); }},
        {"a link", [&] { return symlink("/dev/null", path.constData()); }},
        {"a folder", [&] { return mkdir(path.constData(), 0777); }},
        {"mode 000", [&] { return close(open(path.constData(), O_CREAT | O_WRONLY, 0)); }},
    };
    for (const auto& [what, make] : plant) {
        for (const QString& name :
             QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            QFile::remove(folder.filePath(name)) || QDir(folder.filePath(name)).removeRecursively();
        ASSERT_EQ(make(), 0) << what;
        CFolderLock first(folder.path());
        EXPECT_EQ(first.Claim(), CFolderLock::Result::Held) << what;
        EXPECT_EQ(claimElsewhere(), int(CFolderLock::Result::Busy)) << what;
    }
}

} // namespace

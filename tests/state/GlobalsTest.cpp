#include "state/Globals.h"

#include <gtest/gtest.h>

#include <QDir>

#include <unistd.h>

namespace {

TEST(Globals, AppDirIsTheExecutablesFolderWhateverTheWorkingDirectory) {
    const QString before = QDir::currentPath();
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_TRUE(InitAppDir());
    ASSERT_EQ(chdir(qPrintable(before)), 0);

    const QString dir = g_strAppDir.Get();
    EXPECT_FALSE(dir.endsWith(u'/'));
    // The build lays out Data/ and Record/ beside every executable it makes.
    EXPECT_TRUE(QDir(AppPath(u"/Data")).exists()) << qPrintable(AppPath(u"/Data"));
    EXPECT_TRUE(QDir(AppPath(u"/Record")).exists());
    EXPECT_EQ(AppPath(u"/Data/system.cfg"), dir + "/Data/system.cfg");
}

TEST(Globals, DirectoryOfDropsTheFileNameAndTheSeparator) {
    EXPECT_EQ(DirectoryOf("/opt/game/aviluma"), "/opt/game");
    EXPECT_EQ(DirectoryOf("/aviluma"), "");
    EXPECT_EQ(DirectoryOf("aviluma"), "");
}

} // namespace

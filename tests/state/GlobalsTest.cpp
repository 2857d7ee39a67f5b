#include "state/Globals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

TEST(Globals, AppDirIsTheExecutablesFolderWhateverTheWorkingDirectory) {
    const QString before = QDir::currentPath();
    ASSERT_EQ(chdir("/"), 0);
    ASSERT_TRUE(InitAppDir());
    ASSERT_EQ(chdir(qPrintable(before)), 0);

    const QString dir = g_strAppDir.Get();
    EXPECT_FALSE(dir.endsWith(u'/'));
    // The build lays out the instrument pictures beside every executable it makes.
    EXPECT_TRUE(QFileInfo::exists(AppPath(u"/Source/plane.png"))) << qPrintable(AppPath(u"/Source"));
    EXPECT_EQ(AppPath(u"/Source/plane.png"), dir + "/Source/plane.png");
}

TEST(Globals, DirectoryOfDropsTheFileNameAndTheSeparator) {
    EXPECT_EQ(DirectoryOf("/opt/game/aviluma"), "/opt/game");
    EXPECT_EQ(DirectoryOf("/aviluma"), "");
    EXPECT_EQ(DirectoryOf("aviluma"), "");
}

} // namespace

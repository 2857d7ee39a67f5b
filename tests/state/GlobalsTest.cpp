#include "state/Globals.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

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

// Installed, the pictures lie in share/aviluma/Source beside bin/; a portable folder keeps its own
// Source/ beside the program, and that one wins.
TEST(Globals, InstrumentPicturesBesideTheProgramElseInTheInstallationsShare) {
    QTemporaryDir prefix;
    const QString saved = g_strAppDir.Get();
    g_strAppDir.Set(prefix.path() + "/bin");
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin") && QDir(prefix.path()).mkpath("share/aviluma/Source"));
    EXPECT_EQ(QDir::cleanPath(SourcePicturePath(u"plane.png")),
              prefix.path() + "/share/aviluma/Source/plane.png");
    ASSERT_TRUE(QDir(prefix.path()).mkpath("bin/Source"));
    EXPECT_EQ(QDir::cleanPath(SourcePicturePath(u"plane.png")), prefix.path() + "/bin/Source/plane.png");
    g_strAppDir.Set(saved);
}

TEST(Globals, DirectoryOfDropsTheFileNameAndTheSeparator) {
    EXPECT_EQ(DirectoryOf("/opt/game/aviluma"), "/opt/game");
    EXPECT_EQ(DirectoryOf("/aviluma"), "");
    EXPECT_EQ(DirectoryOf("aviluma"), "");
}

} // namespace

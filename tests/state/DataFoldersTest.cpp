#include "state/DataFolders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// Where the player's files go: beside a copy the player may write to, in the player's own folders
// otherwise, or where --data-dir says.
TEST(DataFolders, APortableCopyKeepsItsFilesBesideItAndAnInstalledOneInThePlayersFolders) {
    OffscreenApp();
    QTemporaryDir app, home, chosen;
    const QByteArray savedHome = qgetenv("HOME"), savedData = qgetenv("XDG_DATA_HOME");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", savedHome);
        qputenv("XDG_DATA_HOME", savedData);
    });
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_DATA_HOME");

    const DataFolders given = ChooseDataFolders(app.path(), chosen.path());
    EXPECT_EQ(given.data, chosen.path() + QStringLiteral("/Data"));
    EXPECT_TRUE(QFileInfo(given.record).isDir());

    const DataFolders own = ChooseDataFolders(app.path(), QString()); // nothing beside the program
    EXPECT_TRUE(own.data.startsWith(home.path() + QStringLiteral("/.local/share/"))) << qPrintable(own.data);
    EXPECT_EQ(own.record, home.path() + QStringLiteral("/Documents/Aviluma"));
    EXPECT_TRUE(QFileInfo(own.data).isDir() && QFileInfo(own.record).isDir());
    EXPECT_FALSE(QFileInfo::exists(app.filePath(QStringLiteral("Data"))));

    ASSERT_TRUE(QDir(app.path()).mkpath(QStringLiteral("Data")) &&
                QDir(app.path()).mkpath(QStringLiteral("Record")));
    const DataFolders portable = ChooseDataFolders(app.path(), QString());
    EXPECT_EQ(portable.data, app.filePath(QStringLiteral("Data")));
    EXPECT_EQ(portable.record, app.filePath(QStringLiteral("Record")));

    // Installed by root, played by someone else: the folders beside the program are not theirs, even
    // when one of them is open to all (both must be writable for a portable copy).
    if (geteuid() != 0)
        return; // needs another user
    QTemporaryDir otherHome;
    ASSERT_EQ(chmod(QFile::encodeName(app.path()).constData(), 0755), 0);
    ASSERT_EQ(chmod(QFile::encodeName(app.filePath(QStringLiteral("Data"))).constData(), 0777), 0);
    ASSERT_EQ(chmod(QFile::encodeName(otherHome.path()).constData(), 0777), 0);
    EXPECT_EQ(RunAsOrdinaryUser([&] {
                  qputenv("HOME", QFile::encodeName(otherHome.path()));
                  const DataFolders folders = ChooseDataFolders(app.path(), QString());
                  return folders.data.startsWith(otherHome.path()) && QFileInfo(folders.data).isWritable()
                             ? 0
                             : 1;
              }),
              0);
}

} // namespace

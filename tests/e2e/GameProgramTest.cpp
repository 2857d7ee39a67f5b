#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <csignal>

namespace {

using namespace std::chrono_literals;

// The game as a player starts it, twice: the second start hands over to the first and ends, so two
// games never write over each other's records. A stop signal ends the first through its normal way out.
TEST(GameProgram, ASecondStartHandsOverToTheRunningGame) {
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path()); // QTemporaryDir makes it 0700
    QProcess first, second;
    for (QProcess* game : {&first, &second}) {
        game->setProcessEnvironment(environment);
        game->setProcessChannelMode(QProcess::MergedChannels);
    }
    first.start(QStringLiteral(AVILUMA_GAME_PROGRAM), QStringList());
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(
        WaitUntil([&] { return QFile::exists(home.filePath(QStringLiteral("aviluma/aviluma.lock"))); }, 10s));

    second.start(QStringLiteral(AVILUMA_GAME_PROGRAM), QStringList());
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAll().contains("already running"));
    EXPECT_EQ(first.state(), QProcess::Running);

    kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    // The player's own folders, since nothing beside the build's program is theirs.
    EXPECT_TRUE(QDir(home.filePath(QStringLiteral("Documents/Aviluma"))).exists());
}

} // namespace

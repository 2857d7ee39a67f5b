#include "records/Players.h"
#include "records/History.h"
#include "records/Records.h"
#include "state/DataFolders.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class Players : public ::testing::Test {
protected:
    Players() { UsePlayer(std::nullopt); }
    ~Players() override { UsePlayer(std::nullopt); }

    static Player Add(const QString& name) {
        QString error;
        const std::optional<Player> player = AddPlayer(name, &error);
        EXPECT_TRUE(player.has_value()) << qPrintable(error);
        return player.value_or(Player{});
    }
    static QString WriteGame(int minute) {
        GameRecord game;
        game.started = QDateTime(QDate(2026, 12, 8), QTime(9, minute), QTimeZone(3600));
        game.ended = game.started.addSecs(30);
        game.level = 1;
        game.passed = false;
        return WriteGameRecord(game);
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    CProgramFolder m_folder;
};

TEST_F(Players, EachKeepsTheirOwnProgressAndHistoryWhileTheTopListsStayThePCs) {
    const Player ann = Add(QStringLiteral("Ann"));
    const Player bo = Add(QStringLiteral("薄"));
    UsePlayer(ann);
    WriteOpenLevel(4);
    ASSERT_TRUE(WriteBestScore(3, 27));
    ASSERT_FALSE(WriteGame(1).isEmpty());
    UsePlayer(bo);
    EXPECT_EQ(ReadOpenLevel(), 1);
    EXPECT_EQ(ReadBestScore(3), 0);
    EXPECT_TRUE(ReadHistory().empty());
    UsePlayer(ann);
    EXPECT_EQ(ReadOpenLevel(), 4);
    EXPECT_EQ(ReadBestScore(3), 27);
    EXPECT_EQ(ReadHistory().size(), 1u);
    EXPECT_EQ(TopListFilePath(PlayType::Practice), DataFilePath(u"record.cfg"));
    EXPECT_FALSE(QFile::exists(DataFilePath(u"system.cfg"))); // nothing of theirs in the PC's folder

    // A PC without players is today's layout.
    UsePlayer(std::nullopt);
    EXPECT_EQ(SystemCfgPath(), DataFilePath(u"system.cfg"));
    EXPECT_EQ(HistoryFolder(), DataFilePath(u"history"));
}

TEST_F(Players, NamesBecomeSafeDistinctFoldersAndBadNamesAreRefused) {
    const QStringList names = {QStringLiteral("Ann"),    QStringLiteral("ann"),
                               QStringLiteral("ＡＮＮ"), QStringLiteral("../../etc"),
                               QStringLiteral("a/b"),    QStringLiteral("x\x01y\u202Ez")};
    QStringList folders;
    for (const QString& name : names)
        folders << Add(name).folder;
    const QRegularExpression safe(QStringLiteral("^[a-z0-9-]{1,40}$"));
    for (const QString& folder : folders) {
        EXPECT_TRUE(safe.match(folder).hasMatch()) << qPrintable(folder);
        EXPECT_TRUE(QDir(DataFilePath(u"players/") + folder).exists()) << qPrintable(folder);
    }
    EXPECT_EQ(QSet<QString>(folders.begin(), folders.end()).size(), names.size());
    const std::vector<Player> players = ReadPlayers();
    ASSERT_EQ(players.size(), 6u);
    EXPECT_EQ(players[5].name, QStringLiteral("xyz")); // cleaned like a competition name
    EXPECT_EQ(FindPlayer(players, QStringLiteral("ＡＮＮ"))->folder, folders[2]);

    QString error;
    EXPECT_FALSE(AddPlayer(QStringLiteral("Ann"), &error));
    EXPECT_EQ(error, QStringLiteral("已有名为“Ann”的玩家。"));
    EXPECT_FALSE(AddPlayer(QStringLiteral(" \x02 "), &error));
    EXPECT_EQ(error, QStringLiteral("请输入玩家的名字。"));

    // A folder left behind by a player no longer listed is never taken over by a new one.
    QFile index(PlayersFilePath());
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("player ../../victim Eve\nplayer ok-1 \n");
    index.close();
    EXPECT_TRUE(ReadPlayers().empty()); // a path or an empty name is no player
    EXPECT_NE(Add(QStringLiteral("Ann")).folder, folders[0]);
}

// Today's progress goes to the first player; a crash after any step of the move leaves it where the
// next start finds and finishes it: nothing lost, nothing twice.
TEST_F(Players, TodaysProgressIsMovedToTheFirstPlayerWhereverTheMoveIsCut) {
    for (int stopAfter : {1, 2, 3, 0}) {
        SCOPED_TRACE(stopAfter);
        CProgramFolder folder;
        WriteOpenLevel(6);
        ASSERT_TRUE(WriteBestScore(2, 30));
        ASSERT_FALSE(WriteGame(2).isEmpty());
        const QByteArray progress = Read(SystemCfgPath());
        ASSERT_TRUE(HasUnownedProgress());

        QString error;
        const std::optional<Player> owner = AdoptProgress(QStringLiteral("张三"), &error, stopAfter);
        ASSERT_TRUE(owner) << qPrintable(error);
        EXPECT_TRUE(FinishAdoption());
        EXPECT_TRUE(FinishAdoption()); // a second start finds nothing to do

        EXPECT_FALSE(Read(PlayersFilePath()).contains("adopting"));
        ASSERT_EQ(ReadPlayers().size(), 1u);
        EXPECT_FALSE(QFile::exists(DataFilePath(u"system.cfg")));
        EXPECT_FALSE(QFile::exists(DataFilePath(u"history")));
        EXPECT_FALSE(HasUnownedProgress());
        UsePlayer(ReadPlayers()[0]);
        EXPECT_EQ(Read(SystemCfgPath()), progress);
        EXPECT_EQ(ReadHistory().size(), 1u);
        UsePlayer(std::nullopt);
    }
}

// A language chosen before anyone is named is the first player's, whether they take today's progress
// or start afresh; the next player starts without a choice.
TEST_F(Players, ALanguageChosenBeforeAnyPlayerGoesToTheFirstNamed) {
    for (const bool adopt : {false, true}) {
        SCOPED_TRACE(adopt);
        CProgramFolder folder;
        QString error;
        ASSERT_TRUE(WriteLanguageChoice(QStringLiteral("en"), &error)) << qPrintable(error);
        if (adopt)
            WriteOpenLevel(3);
        const std::optional<Player> first =
            adopt ? AdoptProgress(QStringLiteral("Ann"), &error) : AddPlayer(QStringLiteral("Ann"), &error);
        ASSERT_TRUE(first) << qPrintable(error);
        const Player second = Add(QStringLiteral("Bo"));
        UsePlayer(first);
        EXPECT_EQ(ReadLanguageChoice(), QStringLiteral("en"));
        UsePlayer(second);
        EXPECT_EQ(ReadLanguageChoice(), QString());
        UsePlayer(std::nullopt);
    }
}

TEST_F(Players, ARenameKeepsTheFolderAndARemovedPlayersFolderIsKeptAside) {
    const Player ann = Add(QStringLiteral("Ann"));
    const Player bo = Add(QStringLiteral("Bo"));
    UsePlayer(ann);
    ASSERT_FALSE(WriteGame(3).isEmpty());
    QString error;
    EXPECT_FALSE(RenamePlayer(ann, QStringLiteral("Bo"), &error));
    ASSERT_TRUE(RenamePlayer(ann, QStringLiteral("Anna"), &error)) << qPrintable(error);
    EXPECT_EQ(CurrentPlayer()->name, QStringLiteral("Anna"));
    EXPECT_EQ(FindPlayer(ReadPlayers(), QStringLiteral("Anna"))->folder, ann.folder);
    UsePlayer(bo);

    ASSERT_TRUE(RemovePlayer(ann, &error)) << qPrintable(error);
    ASSERT_EQ(ReadPlayers().size(), 1u);
    EXPECT_FALSE(QDir(PlayerFolderPath(ann)).exists());
    const QStringList aside =
        QDir(DataFilePath(u"players-removed")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(aside[0].startsWith(ann.folder + QLatin1Char('-')));
    EXPECT_EQ(CountHistoryGames(DataFilePath(u"players-removed/") + aside[0] + QStringLiteral("/history")),
              1);
}

TEST_F(Players, TheChooserListsTheLastPlayedFirstThenTheLastAdded) {
    const Player first = Add(QStringLiteral("first"));
    const Player second = Add(QStringLiteral("second"));
    const Player third = Add(QStringLiteral("third"));
    UsePlayer(first);
    WriteOpenLevel(5);
    ASSERT_FALSE(WriteGame(4).isEmpty());
    const std::vector<PlayerSummary> summaries = SummarisePlayers(ReadPlayers());
    ASSERT_EQ(summaries.size(), 3u);
    EXPECT_EQ(summaries[0].player.name, first.name);
    EXPECT_EQ(summaries[0].openLevel, 5);
    EXPECT_EQ(summaries[0].games, 1);
    EXPECT_TRUE(summaries[0].lastPlayed.isValid());
    EXPECT_EQ(summaries[1].player.name, third.name);
    EXPECT_EQ(summaries[2].player.name, second.name);
    EXPECT_FALSE(summaries[2].lastPlayed.isValid());
}

// What another account may plant in a shared data folder: a pipe as the index (which hung the start),
// a second line for a name or a folder, a player's folder leading elsewhere (their ssh folder, say).
TEST_F(Players, APlantedIndexOrFolderLeadsNowhereElse) {
    const QByteArray index = QFile::encodeName(PlayersFilePath());
    ASSERT_EQ(mkfifo(index.constData(), 0666), 0);
    EXPECT_TRUE(ReadPlayers().empty());
    ASSERT_TRUE(QFile::remove(PlayersFilePath()));

    const Player ann = Add(QStringLiteral("Ann"));
    {
        QFile file(PlayersFilePath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write("player " + ann.folder.toUtf8() +
                   " Mallory\nplayer p-00000001 Ann\nplayer p-00000002 Bo\n");
    }
    const std::vector<Player> players = ReadPlayers();
    ASSERT_EQ(players.size(), 2u);
    EXPECT_EQ(players[0].folder, ann.folder);
    EXPECT_EQ(players[1].name, QStringLiteral("Bo"));

    QTemporaryDir elsewhere;
    ASSERT_EQ(chmod(QFile::encodeName(m_folder.FilePath(QStringLiteral("Data/players"))).constData(), 0777),
              0);
    ASSERT_TRUE(QDir(PlayerFolderPath(players[1])).removeRecursively());
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere.path()).constData(),
                      QFile::encodeName(PlayerFolderPath(players[1])).constData()),
              0);
    QString error;
    EXPECT_FALSE(UsePlayer(players[1], &error));
    EXPECT_TRUE(error.contains(PlayerFolderPath(players[1]))) << qPrintable(error);
    EXPECT_FALSE(CurrentPlayer().has_value());
    UsePlayer(ann); // and a folder swapped for a link once in use is written through no more
    ASSERT_TRUE(QDir(PlayerFolderPath(ann)).removeRecursively());
    ASSERT_EQ(symlink(QFile::encodeName(elsewhere.path()).constData(),
                      QFile::encodeName(PlayerFolderPath(ann)).constData()),
              0);
    WriteOpenLevel(4);
    EXPECT_TRUE(WriteGame(2).isEmpty());
    EXPECT_TRUE(QDir(elsewhere.path()).isEmpty())
        << qPrintable(QDir(elsewhere.path()).entryList().join(u' '));
}

} // namespace

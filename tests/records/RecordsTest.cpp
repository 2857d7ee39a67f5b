#include "records/Records.h"
#include "platform/ProfileFile.h"
#include "records/SaveFailures.h"
#include "support/LogCapture.h"
#include "support/ProgramFolder.h"

#include <gtest/gtest.h>

#include <QDir>

namespace {

class Records : public ::testing::Test {
protected:
    void SetList(const QString& file, const QString& section,
                 std::initializer_list<std::pair<int, const char*>> entries) {
        int rank = 1;
        for (const auto& [score, name] : entries) {
            WritePrivateProfileString(section, QStringLiteral("top%1").arg(rank), QString::number(score),
                                      file);
            WritePrivateProfileString(section, QStringLiteral("name%1").arg(rank), QString::fromUtf8(name),
                                      file);
            ++rank;
        }
    }
    QString Entries(const QString& file, const QString& section) {
        QStringList shown;
        for (const TopListEntry& e : ReadTopList(file, section))
            shown << QStringLiteral("%1:%2").arg(e.score).arg(e.name);
        return shown.join(QLatin1Char(' '));
    }
    CProgramFolder m_folder{{QStringLiteral("Data")}};
};

TEST_F(Records, AFreshInstallationHasOneLevelOpenAndNoRecords) {
    EXPECT_EQ(ReadOpenLevel(), 1);
    EXPECT_EQ(ReadBestScore(4), 0);
    EXPECT_EQ(Entries(RecordCfgPath(), TopListSection(GameMode::Wild)), QStringLiteral("0: 0: 0:"));
    EXPECT_EQ(TopListFilePath(PlayType::Practice), m_folder.Path() + QStringLiteral("/Data/record.cfg"));
    EXPECT_EQ(TopListFilePath(PlayType::Competition), m_folder.Path() + QStringLiteral("/Data/race.cfg"));
    EXPECT_EQ(TopListSection(GameMode::Wild), QStringLiteral("TopListMode2"));
    EXPECT_EQ(TopListSection(GameMode::Endless), QStringLiteral("TopListMode3"));
}

TEST_F(Records, LevelsOpenOnlyByPassingTheHighestOpenOneUpToTen) {
    struct Case {
        int open, played;
        bool passed;
        int after;
    };
    const Case cases[] = {
        {3, 3, true, 4},  {3, 2, true, 3},    {3, 3, false, 3},
        {9, 9, true, 10}, {10, 10, true, 10}, {0, 1, true, 0}, // a stored 0: passing level 1 opens nothing
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpenLevelAfterGame(c.open, c.played, c.passed), c.after) << c.open << "/" << c.played;
    WriteOpenLevel(4);
    EXPECT_EQ(ReadOpenLevel(), 4);
}

TEST_F(Records, ABestScoreIsReplacedOnlyByAGreaterTotal) {
    WriteBestScore(1, 27);
    EXPECT_FALSE(BeatsBestScore(1, 27)); // a tie keeps the old record
    EXPECT_TRUE(BeatsBestScore(1, 28));
    EXPECT_TRUE(BeatsBestScore(2, 1));
    EXPECT_FALSE(BeatsBestScore(2, 0));
    ClearBestScore(1);
    EXPECT_EQ(ReadBestScore(1), 0);
}

TEST_F(Records, TopListInsertionMovesEntriesWithTheirNames) {
    const QString file = RecordCfgPath();
    const QString section = TopListSection(GameMode::Wild);
    struct Case {
        int total;
        int rank;
        const char* after;
    };
    const Case cases[] = {
        {50, 3, "80:甲 50:乙 50:新"}, // 50 does not beat 50
        {90, 1, "90:新 80:甲 50:乙"}, {60, 2, "80:甲 60:新 50:乙"},
        {20, 0, "80:甲 50:乙 20:丙"}, // beats nothing
        {80, 2, "80:甲 80:新 50:乙"}, // equal to rank 1 goes below it
    };
    for (const Case& c : cases) {
        SetList(file, section, {{80, "甲"}, {50, "乙"}, {20, "丙"}});
        const int rank = TopListInsertionRank(file, section, c.total);
        EXPECT_EQ(rank, c.rank) << c.total;
        if (rank > 0)
            InsertTopListEntry(file, section, rank, c.total, QStringLiteral("新"));
        EXPECT_EQ(Entries(file, section), QString::fromUtf8(c.after)) << c.total;
    }
}

TEST_F(Records, ZeroNeverEntersAndAnEmptyListFillsWithNull) {
    const QString file = RaceCfgPath();
    const QString section = TopListSection(GameMode::Endless);
    EXPECT_EQ(TopListInsertionRank(file, section, 0), 0);
    EXPECT_EQ(TopListInsertionRank(file, section, -3), 0);

    ASSERT_EQ(TopListInsertionRank(file, section, 75), 1);
    InsertTopListEntry(file, section, 1, 75, QStringLiteral("玩家一"));
    EXPECT_EQ(GetPrivateProfileString(section, QStringLiteral("top3"), QString(), 50, file), kMissingText);
    EXPECT_EQ(GetPrivateProfileString(section, QStringLiteral("name2"), QString(), 50, file), kMissingText);
    EXPECT_EQ(Entries(file, section), QStringLiteral("75:玩家一 0: 0:"));

    // A name kept whole in the file comes back cut to 49 characters when it moves down.
    const QString longName(60, QChar(u'长'));
    InsertTopListEntry(file, section, 1, 90, longName);
    InsertTopListEntry(file, section, 1, 99, QStringLiteral("x"));
    EXPECT_EQ(ReadTopList(file, section)[1].name, longName.left(49));
}

TEST_F(Records, ClearingAndANewCompetitionEmptyOnlyTheirLists) {
    SetList(RaceCfgPath(), TopListSection(GameMode::Wild), {{80, "a"}});
    SetList(RaceCfgPath(), TopListSection(GameMode::Endless), {{70, "b"}});
    SetList(RecordCfgPath(), TopListSection(GameMode::Wild), {{60, "c"}});

    ClearTopList(RaceCfgPath(), TopListSection(GameMode::Endless));
    EXPECT_EQ(Entries(RaceCfgPath(), TopListSection(GameMode::Endless)), QStringLiteral("0: 0: 0:"));
    EXPECT_EQ(GetPrivateProfileString(TopListSection(GameMode::Endless), QStringLiteral("name1"),
                                      kMissingText, 50, RaceCfgPath()),
              kMissingText); // the single space reads as nothing
    EXPECT_EQ(Entries(RaceCfgPath(), TopListSection(GameMode::Wild)), QStringLiteral("80:a 0: 0:"));

    ResetCompetitionLists();
    EXPECT_EQ(Entries(RaceCfgPath(), TopListSection(GameMode::Wild)), QStringLiteral("0: 0: 0:"));
    EXPECT_EQ(Entries(RecordCfgPath(), TopListSection(GameMode::Wild)),
              QStringLiteral("60:c 0: 0:")); // practice untouched
}

// A file that cannot be saved is reported, once per run and file, whatever wrote to it.
TEST_F(Records, AFailedSaveIsReportedOncePerFile) {
    CLogCapture log;
    QStringList reported;
    SetSaveFailureListener([&](const QString& path, int error, bool) {
        reported << QStringLiteral("%1 %2").arg(path).arg(error);
    });
    ASSERT_TRUE(QDir(m_folder.FilePath(QStringLiteral("Data"))).removeRecursively());
    WriteBestScore(3, 40);
    WriteOpenLevel(4);
    InsertTopListEntry(RecordCfgPath(), TopListSection(GameMode::Wild), 1, 10, QStringLiteral("甲"));
    SetSaveFailureListener({});
    EXPECT_EQ(reported, (QStringList{QStringLiteral("%1 %2").arg(SystemCfgPath()).arg(ENOENT),
                                     QStringLiteral("%1 %2").arg(RecordCfgPath()).arg(ENOENT)}));
    // The log has every failure, with its reason.
    const QString lost = QStringLiteral("records: cannot save %1: No such file or directory");
    EXPECT_EQ(log.Lines(),
              (QStringList{lost.arg(SystemCfgPath()), lost.arg(SystemCfgPath()), lost.arg(RecordCfgPath())}));
}

TEST(PlayerNames, ControlCharactersGoAndNamesStopAtWhatTheRecordsHold) {
    const struct {
        QString typed, kept;
    } cases[] = {
        {QStringLiteral("  "), QStringLiteral("  ")},
        {QStringLiteral("Eve\ntop1=99999\r\n[TopListMode3]"), QStringLiteral("Evetop1=99999[TopListMode3]")},
        {QStringLiteral("a\tb\u0085c\u2028d\u2029e\u007f"), QStringLiteral("abcde")},
        {QString(60, QChar(u'长')), QString(kMaxNameLength, QChar(u'长'))},
        {QString(kMaxNameLength - 1, QLatin1Char('x')) + QStringLiteral("\U0001F600"),
         QString(kMaxNameLength - 1, QLatin1Char('x'))},
        // Halves of pairs without their other half: no file can hold them, so the name would read back
        // otherwise.
        {QChar(0xDC00) + QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b\U0001F600") + QChar(0xD83D),
         QStringLiteral("ab\U0001F600")},
        {QChar(0xD83D) + QStringLiteral("\n") + QChar(0xDE00), QStringLiteral("\U0001F600")}, // joined
    };
    for (const auto& c : cases)
        EXPECT_EQ(SafePlayerName(c.typed), c.kept) << qPrintable(c.typed);
}

} // namespace

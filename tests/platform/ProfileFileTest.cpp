#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <csignal>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class ProfileFile : public ::testing::Test {
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

TEST_F(ProfileFile, ReadsWithDefaultsCaseInsensitiveNamesAndTrimming) {
    const QString path = Path("system.cfg");
    WriteBytes(path, "; made by hand\r\n"
                     "[Grade]\r\n"
                     "  LEVEL =  7  \r\n"
                     "empty=\r\n"
                     "blank=   \r\n"
                     "[MaxRecord]\r\n"
                     "grade1=57\r\n"
                     "grade2=-12\r\n"
                     "grade3=+8\r\n"
                     "grade4=12abc\r\n"
                     "grade5=null\r\n"
                     "grade6=玩家\r\n"
                     "grade7=99999999999\r\n"
                     "[grade]\r\n"
                     "level=3\r\n");
    struct Case {
        const char* section;
        const char* key;
        int expected;
    };
    const Case cases[] = {
        {"grade", "level", 7},    // names in any case, spaces around key and value; the first section wins
        {"Grade", "empty", -1},   // an empty value reads as the default
        {"Grade", "blank", -1},   // so does one of spaces only
        {"Grade", "missing", -1}, // a missing key
        {"Nowhere", "level", -1}, // a missing section
        {"MaxRecord", "grade1", 57}, {"MaxRecord", "grade2", -12},
        {"MaxRecord", "grade3", 8},  {"MaxRecord", "grade4", 12}, // the leading digits
        {"MaxRecord", "grade5", 0},                               // no digits at all
        {"MaxRecord", "grade6", 0},  {"MaxRecord", "grade7", INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetPrivateProfileInt(QString::fromUtf8(c.section), QString::fromUtf8(c.key), -1, path),
                  c.expected)
            << c.section << "/" << c.key;
    EXPECT_EQ(GetPrivateProfileInt(QStringLiteral("Grade"), QStringLiteral("level"), 1, Path("none.cfg")), 1);

    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("MAXRECORD"), QStringLiteral("Grade6"),
                                      QStringLiteral("null"), 50, path),
              QStringLiteral("玩家"));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("Grade"), QStringLiteral("empty"),
                                      QStringLiteral("null"), 50, path),
              QStringLiteral("null"));
}

TEST_F(ProfileFile, TextIsCutToTheBufferAndWrittenWhole) {
    const QString path = Path("record.cfg");
    const QString longName(60, QChar(u'名'));
    ASSERT_TRUE(
        WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), longName, path));
    EXPECT_EQ(
        GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(), 50, path),
        longName.left(49));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(), 100,
                                      path),
              longName);
}

TEST_F(ProfileFile, WritesKeepEveryOtherLineAndCreateWhatIsMissing) {
    const QString path = Path("system.cfg");
    WriteBytes(path, "; progress of the levels\r\n"
                     "[Grade]\r\n"
                     "Level=2\r\n"
                     "\r\n"
                     "[Unknown]\r\n"
                     "; keep me\r\n"
                     "colour=blue\r\n");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("grade"), QStringLiteral("LEVEL"),
                                          QStringLiteral("3"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("extra"),
                                          QStringLiteral("x"), path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("MaxRecord"), QStringLiteral("grade1"),
                                          QStringLiteral("27"), path));
    EXPECT_EQ(ReadBytes(path), QByteArray("; progress of the levels\r\n"
                                          "[Grade]\r\n"
                                          "Level=3\r\n"
                                          "extra=x\r\n"
                                          "\r\n"
                                          "[Unknown]\r\n"
                                          "; keep me\r\n"
                                          "colour=blue\r\n"
                                          "[MaxRecord]\r\n"
                                          "grade1=27\r\n"));

    // A new file is made when its folder exists, and never when it does not.
    const QString fresh = Path("race.cfg");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode3"), QStringLiteral("top1"),
                                          QStringLiteral("5"), fresh));
    EXPECT_EQ(ReadBytes(fresh), QByteArray("[TopListMode3]\ntop1=5\n"));
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"),
                                           Path("no-such-folder/x.cfg")));
    EXPECT_FALSE(QFile::exists(Path("no-such-folder")));
}

TEST_F(ProfileFile, WindowsFilesAreReadAndKeepTheirEncoding) {
    // UTF-16 with its byte-order mark, as the Windows program may have left it.
    const QString utf16 = Path("record.cfg");
    const QString text = QStringLiteral("[TopListMode2]\r\ntop1=120\r\nname1=玩家一\r\n");
    WriteBytes(utf16, QByteArray("\xFF\xFE", 2) + QStringEncoder(QStringEncoder::Utf16LE).encode(text));
    EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(), 50,
                                      utf16),
              QStringLiteral("玩家一"));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                          QStringLiteral("玩家二"), utf16));
    const QByteArray written = ReadBytes(utf16);
    ASSERT_TRUE(written.startsWith("\xFF\xFE"));
    EXPECT_EQ(QStringDecoder(QStringDecoder::Utf16LE).decode(written.mid(2)),
              QStringLiteral("[TopListMode2]\r\ntop1=120\r\nname1=玩家一\r\nname2=玩家二\r\n"));

    // The Chinese code page: bytes that are not UTF-8.
    const QString gbk = Path("race.cfg");
    WriteBytes(gbk, QStringEncoder("GBK").encode(QStringLiteral("[TopListMode3]\r\nname1=小明\r\n")));
    EXPECT_EQ(
        GetPrivateProfileString(QStringLiteral("TopListMode3"), QStringLiteral("name1"), QString(), 50, gbk),
        QStringLiteral("小明"));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode3"), QStringLiteral("name2"),
                                          QStringLiteral("小红"), gbk));
    EXPECT_EQ(ReadBytes(gbk),
              QStringEncoder("GBK").encode(QStringLiteral("[TopListMode3]\r\nname1=小明\r\nname2=小红\r\n")));

    // Our own files are UTF-8, Chinese names and all.
    const QString utf8 = Path("new.cfg");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"),
                                          QStringLiteral("玩家一"), utf8));
    EXPECT_EQ(ReadBytes(utf8), QStringLiteral("[TopListMode2]\nname1=玩家一\n").toUtf8());
}

TEST_F(ProfileFile, AKilledWriterLeavesTheOldFileOrTheNewOne) {
    // A child rewrites three keys together, generation after generation; it is killed at random moments.
    // Every time, the file must parse and hold one whole generation, never a mix or a torn file.
    const QString path = Path("race.cfg");
    ASSERT_TRUE(WritePrivateProfileValues(QStringLiteral("TopListMode2"),
                                          {{QStringLiteral("top1"), QStringLiteral("0")},
                                           {QStringLiteral("top2"), QStringLiteral("0")},
                                           {QStringLiteral("name1"), QStringLiteral("gen0")}},
                                          path));
    std::mt19937 random(5);
    int lastGeneration = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int generation = lastGeneration + 1;; ++generation) {
                const QString g = QString::number(generation);
                WritePrivateProfileValues(QStringLiteral("TopListMode2"),
                                          {{QStringLiteral("top1"), g},
                                           {QStringLiteral("top2"), g},
                                           {QStringLiteral("name1"), QStringLiteral("gen") + g}},
                                          path);
            }
        }
        usleep(1000 + random() % 20000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        const QString section = QStringLiteral("TopListMode2");
        const int top1 = GetPrivateProfileInt(section, QStringLiteral("top1"), -1, path);
        EXPECT_GE(top1, lastGeneration) << "round " << round;
        EXPECT_EQ(GetPrivateProfileInt(section, QStringLiteral("top2"), -1, path), top1) << "round " << round;
        EXPECT_EQ(GetPrivateProfileString(section, QStringLiteral("name1"), QString(), 50, path),
                  QStringLiteral("gen%1").arg(top1))
            << "round " << round;
        lastGeneration = top1;
    }
    EXPECT_GT(lastGeneration, 0); // the children did get writes through
}

} // namespace

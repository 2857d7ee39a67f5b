#include "platform/ProfileFile.h"
#include "platform/FileIo.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <random>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
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

QByteArray Gbk(const QString& text) {
    return QStringEncoder("GBK").encode(text);
}

// The names in a folder, hidden ones included (a leftover temporary file shows here), by name.
std::string Entries(const QString& folder) {
    return QDir(folder)
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
        .join(QLatin1Char(' '))
        .toStdString();
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
    int error = 0;
    EXPECT_FALSE(WritePrivateProfileString(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"),
                                           Path("no-such-folder/x.cfg"), &error));
    EXPECT_EQ(error, ENOENT);
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
        int written[2];
        ASSERT_EQ(pipe(written), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(written[0]);
            for (int generation = lastGeneration + 1;; ++generation) {
                const QString g = QString::number(generation);
                WritePrivateProfileValues(QStringLiteral("TopListMode2"),
                                          {{QStringLiteral("top1"), g},
                                           {QStringLiteral("top2"), g},
                                           {QStringLiteral("name1"), QStringLiteral("gen") + g}},
                                          path);
                if (generation == lastGeneration + 1) {
                    (void)!write(written[1], "w", 1);
                    close(written[1]);
                }
            }
        }
        // The kill lands at a random moment among the writes after the first; on a busy disk one write
        // (with its fsync) can take longer than the whole random wait.
        close(written[1]);
        char byte = 0;
        ASSERT_EQ(read(written[0], &byte, 1), 1);
        close(written[0]);
        usleep(random() % 20000);
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
    EXPECT_GE(lastGeneration, 40); // every child got at least one write through

    // What the killed writes left is ours to recognise and remove, and only that.
    RemoveLeftoverTempFiles(m_dir.path());
    EXPECT_EQ(Entries(m_dir.path()), "race.cfg");
}

TEST_F(ProfileFile, AWriteChangesOnlyItsOwnLineInEveryEncoding) {
    // The same settings in each encoding the files come in; only the changed and the added line differ.
    const QString before = QStringLiteral("; 进度\n[TopListMode2]\ntop1 = 120\n  NAME1 =  旧名 \n; 保留\n\n"
                                          "[Grade]\nlevel=2\n");
    const QString after =
        QStringLiteral("; 进度\n[TopListMode2]\ntop1 = 120\nNAME1=新名\n; 保留\nname2=小红\n\n"
                       "[Grade]\nlevel=2\n");
    struct Case {
        const char* codec;
        QByteArray mark;
        bool crLf;
    };
    const Case cases[] = {
        {"UTF-8", {}, false},
        {"UTF-8", "\xEF\xBB\xBF", true},
        {"UTF-16LE", QByteArray("\xFF\xFE", 2), true},
        {"GBK", {}, true},
    };
    for (const Case& c : cases) {
        const auto bytesOf = [&](QString text) {
            if (c.crLf)
                text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
            return c.mark + QStringEncoder(c.codec).encode(text);
        };
        const QString path = Path("record.cfg");
        WriteBytes(path, bytesOf(before));
        ASSERT_TRUE(WritePrivateProfileValues(QStringLiteral("toplistmode2"),
                                              {{QStringLiteral("name1"), QStringLiteral("新名")},
                                               {QStringLiteral("name2"), QStringLiteral("小红")}},
                                              path));
        EXPECT_EQ(ReadBytes(path), bytesOf(after)) << c.codec << " crLf " << c.crLf;
    }
}

TEST_F(ProfileFile, AWriteKeepsEveryByteOfAMixedFile) {
    // A file edited on both systems: a stray byte that is neither UTF-8 nor GBK makes it read as a GBK
    // file, yet its UTF-8 names must neither read nor be rewritten as mojibake.
    const QString path = Path("record.cfg");
    const QByteArray head = "; edited \xFF by hand\n"
                            "[TopListMode2]\r\n";
    const QByteArray tail = "name1=\xE7\x8E\xA9\xE5\xAE\xB6\xE4\xB8\x80\n" // 玩家一 in UTF-8
                            "\n"
                            "\tname2 = \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\n" // Иван in UTF-8
                            "[Grade]\n"
                            "level=3"; // no line end
    WriteBytes(path, head + "   top1 =  120   \r\n" + tail);
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("TOP1"),
                                          QStringLiteral("130"), path));
    EXPECT_EQ(ReadBytes(path), head + "top1=130\r\n" + tail);

    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("extra"),
                                          QStringLiteral("小明"), path));
    EXPECT_EQ(ReadBytes(path), head + "top1=130\r\n" + tail + "\r\n" + Gbk(QStringLiteral("extra=小明\r\n")));

    const auto read = [&](const char* section, const char* key) {
        return GetPrivateProfileString(QString::fromLatin1(section), QString::fromLatin1(key), QString(), 50,
                                       path);
    };
    EXPECT_EQ(read("TopListMode2", "name1"), QStringLiteral("玩家一"));
    EXPECT_EQ(read("TopListMode2", "name2"), QStringLiteral("Иван"));
    EXPECT_EQ(read("Grade", "level"), QStringLiteral("3"));
    EXPECT_EQ(read("Grade", "extra"), QStringLiteral("小明"));
}

TEST_F(ProfileFile, ChineseNamesFromTheWindowsProgramReadExactly) {
    // Names of two and three GB2312 level-1 letters (leads B0-D7, trails A1-FE; D7FA-D7FE unused), as
    // the Windows program wrote them. Some of them are also well-formed UTF-8 (Latin letters).
    const QString path = Path("race.cfg");
    std::mt19937 random(20240607);
    int misread = 0;
    int alsoUtf8 = 0;
    for (int i = 0; i < 10000; ++i) {
        QByteArray name;
        for (int letter = 0; letter < 2 + i % 2; ++letter) {
            unsigned lead = 0;
            unsigned trail = 0;
            do {
                lead = 0xB0 + random() % 40;
                trail = 0xA1 + random() % 94;
            } while (lead == 0xD7 && trail >= 0xFA);
            name += static_cast<char>(lead);
            name += static_cast<char>(trail);
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        utf8.decode(name);
        alsoUtf8 += utf8.hasError() ? 0 : 1;
        WriteBytes(path, "[TopListMode2]\r\nname1=" + name + "\r\n");
        const QString expected = QStringDecoder("GBK").decode(name);
        if (GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(), 50,
                                    path) != expected &&
            ++misread <= 5)
            ADD_FAILURE() << "misread " << name.toHex().constData();
    }
    EXPECT_EQ(misread, 0);
    EXPECT_GT(alsoUtf8, 100); // the sample does hold the names that used to read as Latin letters

    // Such a file takes GBK for new names, and a one-letter name whose GBK bytes would read as UTF-8
    // still reads back as written.
    const QByteArray disguised = "\xC4\xA3\xD5\xB2"; // two letters, and also UTF-8
    WriteBytes(path, "[TopListMode2]\r\nname1=" + disguised + "\r\n");
    const QString single = QStringDecoder("GBK").decode(QByteArray("\xC4\xA3"));
    ASSERT_TRUE(
        WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name3"), single, path));
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                          QStringLiteral("小红"), path));
    EXPECT_TRUE(ReadBytes(path).contains(Gbk(QStringLiteral("name2=小红\r\n"))));
    for (const auto& [key, name] : {std::pair{"name1", QString(QStringDecoder("GBK").decode(disguised))},
                                    std::pair{"name2", QStringLiteral("小红")}, std::pair{"name3", single}})
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QString::fromLatin1(key), QString(),
                                          50, path),
                  name)
            << key;
}

TEST_F(ProfileFile, NamesFromLinuxEditorsStayUtf8) {
    const QString path = Path("race.cfg");
    const char* names[] = {"玩家一",      "Müller", "José",        "Hélène",
                           "Иван Петров", "Größe",  "Łukasz Żółw", "Zoë"};
    for (const char* name : names) {
        WriteBytes(path, QByteArray("[TopListMode2]\nname1=") + name + "\n");
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(),
                                          50, path),
                  QString::fromUtf8(name));
    }

    // One stray byte on one line does not turn the other lines into mojibake.
    const int utf8Lines[] = {0, 4, 5};
    QByteArray bytes = "[TopListMode2]\n";
    for (const int i : utf8Lines)
        bytes += QByteArray("name") + names[i] + "=" + names[i] + "\n";
    WriteBytes(path, bytes + "name4=bad\xFF\n");
    for (const int i : utf8Lines)
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name") + names[i],
                                          QString(), 50, path),
                  QString::fromUtf8(names[i]));
}

TEST_F(ProfileFile, WrittenNamesReadBackAndLeaveTheOtherNamesAsTheyRead) {
    const QString path = Path("race.cfg");
    const auto read = [&](const char* key) {
        return GetPrivateProfileString(QStringLiteral("TopListMode2"), QString::fromLatin1(key), QString(),
                                       50, path);
    };
    // Two accented letters together are, in UTF-8, also GB2312 double bytes that the reading rule
    // takes for a Chinese name; what we write in UTF-8 must still read back.
    for (const char* name : {"Conceição", "Růžena", "дима", "Zoë"}) {
        WriteBytes(path, "[TopListMode2]\nname1=Bob\n");
        ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                              QString::fromUtf8(name), path));
        EXPECT_EQ(read("name2"), QString::fromUtf8(name));
        EXPECT_TRUE(ReadBytes(path).contains(QByteArray("name2=") + name)) << name; // still UTF-8
    }
    // A GBK name whose bytes are also UTF-8 shows the file to be GBK; a Latin name a Linux editor put
    // beside it reads as UTF-8 until a line that is not UTF-8 comes in. A write must not bring one.
    const QByteArray disguised = "\xC4\xA3\xD5\xB2";
    WriteBytes(path, "[TopListMode2]\nname1=" + disguised + "\nname2=Zo\xC3\xAB\n");
    ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name3"),
                                          QStringLiteral("小红"), path));
    EXPECT_EQ(read("name1"), QStringDecoder("GBK").decode(disguised));
    EXPECT_EQ(read("name2"), QStringLiteral("Zoë"));
    EXPECT_EQ(read("name3"), QStringLiteral("小红"));
}

// A one-letter GBK name may also be a two-byte UTF-8 letter; in a file of the Windows program (CR LF
// line ends) it reads as the Chinese letter it is, every one of GB2312's, before and after a write.
TEST_F(ProfileFile, OneLetterNamesInAWindowsFileReadAsGbk) {
    const QString path = Path("race.cfg");
    QStringDecoder gbk("GBK");
    int misread = 0;
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const QByteArray letter = QByteArray(1, static_cast<char>(lead)) + static_cast<char>(trail);
            const QString name = gbk.decode(letter);
            WriteBytes(path, "[TopListMode2]\r\nname1=" + letter + "\r\ntop1=5\r\n");
            misread += GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), {},
                                               50, path) != name;
            if (trail == 0xA1 + lead % 94) { // and a write beside it leaves it so (one per lead byte)
                WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                          QStringLiteral("é"), path);
                misread += GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"),
                                                   {}, 50, path) != name;
            }
        }
    }
    EXPECT_EQ(misread, 0) << "of 6768";
}

TEST_F(ProfileFile, AUtf16FileCutMidLetterReadsAsBeforeAfterAWrite) {
    // The last letter's second byte is missing: a write completes the letter, and a letter completed
    // to a line feed ends its line.
    const QString path = Path("record.cfg");
    const auto utf16 = [](const char* text) -> QByteArray {
        return QStringEncoder(QStringEncoder::Utf16LE).encode(QString::fromLatin1(text));
    };
    for (const char half : {'x', '\n'}) {
        const QByteArray before = QByteArray("\xFF\xFE", 2) + utf16("[TopListMode2]\r\nname1=Bob") + half;
        WriteBytes(path, before);
        const auto read = [&](const char* key) {
            return GetPrivateProfileString(QStringLiteral("TopListMode2"), QString::fromLatin1(key),
                                           QString(), 50, path);
        };
        const QString name1 = read("name1");
        ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                              QStringLiteral("Ann"), path));
        EXPECT_EQ(read("name1"), name1) << half;
        EXPECT_EQ(read("name2"), QStringLiteral("Ann")) << half;
        EXPECT_EQ(ReadBytes(path),
                  before + '\0' + (half == '\n' ? QByteArray() : utf16("\r\n")) + utf16("name2=Ann\r\n"))
            << half;
    }
}

TEST_F(ProfileFile, AGbkLineEndingInHalfALetterReadsAsBeforeAfterAWrite) {
    // "李四" and the lead byte of a letter cut off, with or without a carriage return after it: the
    // half reads as a replacement character, also once a write has ended the line.
    const QString path = Path("race.cfg");
    const QString cut = QStringLiteral("李四\uFFFD");
    for (const QByteArray& tail : {QByteArray("\xF7"), QByteArray("\xF7\r")}) {
        WriteBytes(path, QByteArray("[TopListMode2]\r\nname1=\xC0\xEE\xCB\xC4") + tail);
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(),
                                          50, path),
                  cut);
        ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name2"),
                                              QStringLiteral("Ann"), path));
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"), QString(),
                                          50, path),
                  cut);
    }
}

TEST_F(ProfileFile, TextThatWouldForgeOrHideLinesIsRefused) {
    const QString path = Path("race.cfg");
    const QByteArray original = "[TopListMode2]\r\ntop1=120\r\nname1=Ann\r\n";
    WriteBytes(path, original);
    struct Case {
        QString section;
        QString key;
        QString value;
    };
    const QString s = QStringLiteral("TopListMode2");
    const QString k = QStringLiteral("name2");
    const Case cases[] = {
        {s, k, QStringLiteral("Eve\ntop1=99999\n[TopListMode3]")},
        {s, k, QStringLiteral("Eve\r")},
        {s, k, QStringLiteral("Eve") + QChar(0x2028)},
        {s, k, QStringLiteral("Eve") + QChar(0x2029)},
        {s, k, QStringLiteral("Eve") + QChar(0)},
        {s, k, QStringLiteral("Eve\x1b[2J")},
        {QStringLiteral("TopListMode2]\n[Grade"), k, QStringLiteral("Eve")},
        {QStringLiteral("A]B"), k, QStringLiteral("Eve")},
        {s, QStringLiteral("top1\n"), QStringLiteral("1")},
        {s, QStringLiteral("top1=99999"), QStringLiteral("x")},
        {s, QStringLiteral("[Grade"), QStringLiteral("x")},
        {s, QStringLiteral(" ;name"), QStringLiteral("x")},
        {s, QChar(0xFEFF) + QStringLiteral("[Grade]"), QStringLiteral("x")}, // a reader drops the mark
    };
    for (const Case& c : cases) {
        int error = 0;
        EXPECT_FALSE(WritePrivateProfileString(c.section, c.key, c.value, path, &error))
            << qPrintable(c.section + QLatin1Char('/') + c.key + QLatin1Char('=') + c.value);
        EXPECT_EQ(error, EINVAL);
        EXPECT_EQ(ReadBytes(path), original);
    }
    // A tab is text like any other.
    int error = -1;
    ASSERT_TRUE(WritePrivateProfileString(s, k, QStringLiteral("Eve\tX"), path, &error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(GetPrivateProfileString(s, k, QString(), 50, path), QStringLiteral("Eve\tX"));
}

TEST_F(ProfileFile, AFileThePlayerMayNotWriteIsLeftAlone) {
    ASSERT_EQ(chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0); // the folder is writable
    const QByteArray original = "[Grade]\nlevel=5\n";
    QStringList paths{Path("readonly.cfg")};
    WriteBytes(paths[0], original);
    ASSERT_EQ(chmod(QFile::encodeName(paths[0]).constData(), 0444), 0);
    if (geteuid() == 0) { // the ordinary user is another user than the file's owner
        paths << Path("others.cfg");
        WriteBytes(paths[1], original);
    }
    for (const QString& path : paths) {
        const int result = RunAsOrdinaryUser([&] {
            int error = 0;
            return WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("level"),
                                             QStringLiteral("9"), path, &error)
                       ? 0
                       : error;
        });
        EXPECT_EQ(result, EACCES) << qPrintable(path);
        EXPECT_EQ(ReadBytes(path), original);
    }
    EXPECT_EQ(Entries(m_dir.path()), geteuid() == 0 ? "others.cfg readonly.cfg" : "readonly.cfg");
}

// A link is followed only where no other account could have planted it; a pipe or a device in a
// file's place never hangs or floods a read, and a giant is not ours.
TEST_F(ProfileFile, LinksAreFollowedOnlyInAPrivateFolderAndSpecialFilesReadAsMissing) {
    const QString section = QStringLiteral("Grade");
    const QString key = QStringLiteral("level");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("real")));
    const QString target = Path("real/system.cfg");
    WriteBytes(target, "[Grade]\nlevel=1\n");
    const QString link = Path("system.cfg");
    ASSERT_EQ(symlink("real/system.cfg", QFile::encodeName(link).constData()), 0);
    ASSERT_TRUE(WritePrivateProfileString(section, key, QStringLiteral("2"), link)); // this user's own folder
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadBytes(target), QByteArray("[Grade]\nlevel=2\n"));

    ASSERT_EQ(chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0); // now others may write here
    int error = 0;
    EXPECT_FALSE(WritePrivateProfileString(section, key, QStringLiteral("3"), link, &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_EQ(GetPrivateProfileInt(section, key, 7, link), 7);
    EXPECT_EQ(ReadBytes(target), QByteArray("[Grade]\nlevel=2\n"));

    const QString pipe = Path("race.cfg");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0666), 0);
    EXPECT_EQ(GetPrivateProfileInt(section, key, 7, pipe), 7);
    ASSERT_TRUE(WritePrivateProfileString(section, key, QStringLiteral("4"), pipe)); // replaces the pipe
    EXPECT_EQ(ReadBytes(pipe), QByteArray("[Grade]\nlevel=4\n"));

    const QString zero = Path("real/class.cfg");
    ASSERT_EQ(symlink("/dev/zero", QFile::encodeName(zero).constData()), 0); // in the private folder
    EXPECT_EQ(GetPrivateProfileInt(section, key, 7, zero), 7);
    EXPECT_FALSE(WritePrivateProfileString(section, key, QStringLiteral("5"), zero, &error));
    EXPECT_EQ(error, EINVAL);

    const QString giant = Path("record.cfg");
    WriteBytes(giant, "[Grade]\nlevel=6\n" + QByteArray(kMaxSettingsFileBytes, ' '));
    EXPECT_EQ(GetPrivateProfileInt(section, key, 7, giant), 7);
    EXPECT_FALSE(WritePrivateProfileString(section, key, QStringLiteral("8"), giant, &error));
    EXPECT_EQ(error, EFBIG);
}

TEST_F(ProfileFile, AWriteThatRunsOutOfSpaceSaysWhyAndLeavesTheOldFile) {
    ASSERT_EQ(chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    const QString path = Path("record.cfg");
    const QByteArray original = "[TopListMode2]\ntop1=120\n";
    WriteBytes(path, original);
    ASSERT_EQ(chmod(QFile::encodeName(path).constData(), 0666), 0);
    // A file-size limit stops the temporary file part-way, as a full disk does.
    const int result = RunAsOrdinaryUser([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return 255;
        int error = 0;
        return WritePrivateProfileString(QStringLiteral("TopListMode2"), QStringLiteral("name1"),
                                         QString(200, QLatin1Char('x')), path, &error)
                   ? 0
                   : error;
    });
    EXPECT_EQ(result, EFBIG);
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_EQ(Entries(m_dir.path()), "record.cfg");
}

TEST_F(ProfileFile, TwoProcessesWritingOneFileKeepEachOthersKeys) {
    const QString path = Path("system.cfg");
    pid_t children[2] = {};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            for (int i = 0; i < 100; ++i)
                WritePrivateProfileString(QStringLiteral("Grade"), QStringLiteral("p%1k%2").arg(c).arg(i),
                                          QString::number(i), path);
            _exit(0);
        }
    }
    for (const pid_t child : children)
        ASSERT_EQ(waitpid(child, nullptr, 0), child);
    int lost = 0;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < 100; ++i)
            lost += GetPrivateProfileInt(QStringLiteral("Grade"), QStringLiteral("p%1k%2").arg(c).arg(i), -1,
                                         path) == i
                        ? 0
                        : 1;
    EXPECT_EQ(lost, 0);
}

TEST_F(ProfileFile, AnyBytesReadWithoutFailureAndTakeAWrite) {
    // Random files of the bytes that matter to the parser and to the encodings; whatever is in them, a
    // read returns and a written value reads back.
    const QString path = Path("system.cfg");
    const QByteArray alphabet("[]=;# \t\r\nAa\0\x80\xA1\xB0\xC3\xD7\xE4\xFE\xFF", 20);
    const QByteArray marks[] = {{}, QByteArray("\xFF\xFE", 2), "\xEF\xBB\xBF"};
    std::mt19937 random(11);
    for (int round = 0; round < 400; ++round) {
        QByteArray bytes = marks[random() % 3];
        for (unsigned n = random() % 120; n > 0; --n)
            bytes += alphabet[random() % alphabet.size()];
        WriteBytes(path, bytes);
        GetPrivateProfileString(QStringLiteral("A"), QStringLiteral("a"), QString(), 50, path);
        GetPrivateProfileInt(QStringLiteral("a"), QStringLiteral("A"), 0, path);
        ASSERT_TRUE(WritePrivateProfileString(QStringLiteral("a"), QStringLiteral("a"),
                                              QStringLiteral("玩家7"), path));
        EXPECT_EQ(GetPrivateProfileString(QStringLiteral("A"), QStringLiteral("A"), QString(), 50, path),
                  QStringLiteral("玩家7"))
            << bytes.toHex().constData();
    }
}

} // namespace

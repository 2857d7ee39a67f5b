#include "platform/ProfileFile.h"

#include "platform/FileIo.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes in this process go one at a time: the game worker and the windows both write, and a
// read-modify-write must not lose the other's key. The folder's lock does the same between processes.
// Reads need neither: a file is only ever replaced whole.
std::mutex g_profileMutex;

enum class Encoding { Utf8, Utf8Bom, Utf16Bom, ChineseCodePage };

// The Chinese code page of the Windows program is GBK; GB18030 reads and writes it byte for byte and
// also holds every character GBK lacks.
constexpr const char* kChineseCodePage = "GB18030";

// How a line without a byte-order mark reads (the rule is in the header).
enum class Reading {
    Utf8,
    NotUtf8,      // GBK, and proof that the file is a GBK file
    ChineseRun,   // GB2312 double bytes that are also UTF-8, two letters together: GBK
    GbkInGbkFile, // the same, without such a run: GBK only in a file that other lines show to be GBK
};

struct Line {
    QByteArray bytes; // as in the file, without the line end
    QByteArray end;   // the line end as in the file; empty on a last line that has none
    QString text;     // as read
    Reading reading = Reading::Utf8;
    bool written = false;
};

struct Profile {
    QByteArray mark; // the byte-order mark, kept as found
    Encoding encoding = Encoding::Utf8;
    bool crLf = false;
    bool gbkFile = false; // as read (IsGbkFile): a line is not UTF-8, or lines end in CR LF
    QList<Line> lines;
};

struct KeyLine {
    qsizetype line;
    QString value;
};

// Whether every non-ASCII byte belongs to a GB2312 double byte (lead A1-F7, trail A1-FE).
bool IsGb2312Shaped(const unsigned char* p, qsizetype n) {
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        if (p[i] < 0xA1 || p[i] > 0xF7 || i + 1 >= n || p[i + 1] < 0xA1 || p[i + 1] > 0xFE)
            return false;
        i += 2;
    }
    return true;
}

Reading Classify(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    bool twoByteLetters = false;
    int run = 0;
    int longestRun = 0;
    for (qsizetype i = 0; i < n;) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            run = 0;
            ++i;
            continue;
        }
        // Well-formed UTF-8 only: no overlong forms, no surrogates, nothing above U+10FFFF.
        qsizetype length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : low;
            high = lead == 0xED ? 0x9F : high;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : low;
            high = lead == 0xF4 ? 0x8F : high;
        } else {
            return Reading::NotUtf8;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high)
            return Reading::NotUtf8;
        for (qsizetype k = 2; k < length; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return Reading::NotUtf8;
        twoByteLetters = twoByteLetters || length == 2;
        longestRun = std::max(longestRun, ++run);
        i += length;
    }
    // Chinese in UTF-8 is three bytes a letter; only two-byte letters can be GBK in disguise.
    if (!twoByteLetters || !IsGb2312Shaped(p, n))
        return Reading::Utf8;
    return longestRun >= 2 ? Reading::ChineseRun : Reading::GbkInGbkFile;
}

// A file without a mark is a GBK file when a line of it is not UTF-8, or when its lines end in CR LF:
// only the Windows program made such files (this program and Linux editors end lines in LF, and keep
// a file's CR LF when they write to it), and it wrote them in GBK.
bool IsGbkFile(const QList<Line>& lines, bool crLf) {
    return crLf || std::any_of(lines.begin(), lines.end(),
                               [](const Line& line) { return line.reading == Reading::NotUtf8; });
}

bool ReadsAsGbk(Reading reading, bool gbkFile) {
    return reading == Reading::NotUtf8 || reading == Reading::ChineseRun ||
           (reading == Reading::GbkInGbkFile && gbkFile);
}

// A fresh decoder for every line: a stray lead byte at the end of one line must not eat the first
// letter of the next. Lines of a file with a UTF-8 mark are never classified, so they read as UTF-8.
// In UTF-16, a last line cut mid-letter reads with the letter completed as a write completes it
// (Compose), so that a write after it leaves its reading as it was.
QString Decode(const Line& line, Encoding mark, bool gbkFile) {
    if (mark == Encoding::Utf16Bom)
        return QStringDecoder(QStringDecoder::Utf16LE)
            .decode(line.bytes.size() % 2 != 0 ? line.bytes + '\0' : line.bytes);
    if (ReadsAsGbk(line.reading, gbkFile)) {
        // A lead byte at the line's end would wait in the decoder for a letter that never comes and
        // vanish; a line feed after it (never part of a letter) makes it a replacement character, as
        // it reads when a carriage return follows it, so a write that ends the line keeps its reading.
        QString text = QStringDecoder(kChineseCodePage).decode(line.bytes + '\n');
        text.chop(1);
        return text;
    }
    return QString::fromUtf8(line.bytes);
}

QByteArray Encode(const QString& text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16Bom:
        return QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    case Encoding::ChineseCodePage:
        return QStringEncoder(kChineseCodePage).encode(text);
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
        break;
    }
    return text.toUtf8();
}

qsizetype UnitSize(const Profile& profile) {
    return profile.encoding == Encoding::Utf16Bom ? 2 : 1;
}

// Whether the character at byte offset at is c; in UTF-16 a whole unit, so that a 0x0A byte inside
// another letter never ends a line.
bool IsChar(const QByteArray& bytes, qsizetype at, qsizetype unit, char c) {
    return bytes[at] == c && (unit == 1 || bytes[at + 1] == '\0');
}

QList<Line> SplitLines(const QByteArray& file, qsizetype from, qsizetype unit) {
    QList<Line> lines;
    for (qsizetype start = from; start < file.size();) {
        qsizetype newline = start;
        while (newline + unit <= file.size() && !IsChar(file, newline, unit, '\n'))
            newline += unit;
        Line line;
        if (newline + unit > file.size()) {
            line.bytes = file.mid(start);
            // A file cut between the CR and the LF of its last line: the CR is that line's end, kept
            // when the line is written and completed to CR LF when lines come after it.
            const qsizetype end = file.size() - unit;
            if ((file.size() - start) % unit == 0 && end >= start && IsChar(file, end, unit, '\r')) {
                line.bytes = file.mid(start, end - start);
                line.end = file.mid(end);
            }
            lines.append(line);
            break;
        }
        qsizetype contentEnd = newline;
        if (contentEnd - unit >= start && IsChar(file, contentEnd - unit, unit, '\r'))
            contentEnd -= unit;
        line.bytes = file.mid(start, contentEnd - start);
        line.end = file.mid(contentEnd, newline + unit - contentEnd);
        lines.append(line);
        start = newline + unit;
    }
    return lines;
}

Profile Parse(const QByteArray& file) {
    Profile profile;
    if (file.startsWith("\xFF\xFE")) {
        profile.encoding = Encoding::Utf16Bom;
        profile.mark = file.left(2);
    } else if (file.startsWith("\xEF\xBB\xBF")) {
        profile.encoding = Encoding::Utf8Bom;
        profile.mark = file.left(3);
    }
    const Encoding mark = profile.encoding;
    profile.lines = SplitLines(file, profile.mark.size(), UnitSize(profile));
    if (profile.mark.isEmpty())
        for (Line& line : profile.lines)
            line.reading = Classify(line.bytes);
    const QByteArray crLf = Encode(QStringLiteral("\r\n"), mark);
    const QByteArray cr = Encode(QStringLiteral("\r"), mark);
    profile.crLf = std::any_of(profile.lines.begin(), profile.lines.end(),
                               [&](const Line& line) { return line.end == crLf || line.end == cr; });
    profile.gbkFile = profile.mark.isEmpty() && IsGbkFile(profile.lines, profile.crLf);
    const bool gbkFile = profile.gbkFile;
    if (gbkFile)
        profile.encoding = Encoding::ChineseCodePage;
    for (Line& line : profile.lines) {
        line.text = Decode(line, mark, gbkFile);
        if (profile.mark.isEmpty() && ReadsAsGbk(line.reading, gbkFile))
            profile.encoding = Encoding::ChineseCodePage;
    }
    return profile;
}

bool IsComment(const QString& trimmed) {
    return trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#'));
}

// The section a line opens, or nullopt when it opens none.
std::optional<QString> SectionOf(const QString& line) {
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    return trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

bool SameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// Lines [first, end) of the first section called section, or nullopt.
std::optional<std::pair<qsizetype, qsizetype>> FindSection(const QList<Line>& lines, const QString& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = SectionOf(lines[i].text);
        if (!name || !SameName(*name, section))
            continue;
        qsizetype end = i + 1;
        while (end < lines.size() && !SectionOf(lines[end].text))
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::optional<KeyLine> FindKey(const QList<Line>& lines, std::pair<qsizetype, qsizetype> range,
                               const QString& key) {
    for (qsizetype i = range.first; i < range.second; ++i) {
        const QString& line = lines[i].text;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || IsComment(line.trimmed()))
            continue;
        if (SameName(line.left(equals), key))
            return KeyLine{i, line.mid(equals + 1).trimmed()};
    }
    return std::nullopt;
}

// Reads the whole file: 0 or the errno of what failed.
int ReadWhole(const QByteArray& path, QByteArray& bytes) {
    int error = 0;
    return ReadFileThroughSafeLinks(QFile::decodeName(path), &bytes, &error, kMaxSettingsFileBytes) ? 0
                                                                                                    : error;
}

// The value under section and key, nullopt when missing or empty.
std::optional<QString> ReadValue(const QString& section, const QString& key, const QString& filePath) {
    QByteArray bytes;
    if (ReadWhole(QFile::encodeName(filePath), bytes) != 0)
        return std::nullopt;
    const Profile profile = Parse(bytes);
    const auto range = FindSection(profile.lines, section);
    if (!range)
        return std::nullopt;
    const auto found = FindKey(profile.lines, *range, key);
    if (!found || found->value.isEmpty())
        return std::nullopt;
    return found->value;
}

int LeadingInteger(const QString& value) {
    qsizetype i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == QLatin1Char('-') || value[i] == QLatin1Char('+')))
        negative = value[i++] == QLatin1Char('-');
    long long number = 0;
    for (; i < value.size() && value[i] >= QLatin1Char('0') && value[i] <= QLatin1Char('9'); ++i) {
        number = number * 10 + (value[i].unicode() - '0');
        if (number > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -number : number);
}

// Text that would end its line (and so forge the lines after it) or that editors show as garbage.
bool HoldsLineBreakOrControl(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t') || u == 0x2028 || u == 0x2029;
    });
}

// Names that would be written but read back as another line: a key holding "=" splits elsewhere, one
// starting with "[" opens a section, one starting with ";" or "#" is a comment, and one starting with
// U+FEFF begins its line with what readers take for a byte-order mark and drop (and the rest could
// open a section); a section holding "]" is cut there.
bool IsRefused(const QString& section, const ProfileValues& values) {
    if (HoldsLineBreakOrControl(section) || section.contains(QLatin1Char(']')))
        return true;
    return std::any_of(values.begin(), values.end(), [](const auto& keyValue) {
        const QString key = keyValue.first.trimmed();
        return HoldsLineBreakOrControl(keyValue.first) || HoldsLineBreakOrControl(keyValue.second) ||
               key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) || IsComment(key) ||
               keyValue.first.startsWith(QChar(0xFEFF));
    });
}

Line NewLine(const Profile& profile, const QString& text) {
    Line line;
    line.bytes = Encode(text, profile.encoding);
    line.end = Encode(profile.crLf ? QStringLiteral("\r\n") : QStringLiteral("\n"), profile.encoding);
    line.text = text;
    line.written = true;
    return line;
}

// The bytes of a line's key as the file spells them, without the blanks around it.
QByteArray RawKey(const QByteArray& bytes, qsizetype unit) {
    qsizetype last = 0;
    while (last + unit <= bytes.size() && !IsChar(bytes, last, unit, '='))
        last += unit;
    const auto blank = [&](qsizetype at) {
        return IsChar(bytes, at, unit, ' ') || IsChar(bytes, at, unit, '\t');
    };
    qsizetype first = 0;
    while (first < last && blank(first))
        first += unit;
    while (last > first && blank(last - unit))
        last -= unit;
    return bytes.mid(first, last - first);
}

void SetValue(Profile& profile, const QString& section, const QString& key, const QString& value) {
    const auto range = FindSection(profile.lines, section);
    if (!range) {
        profile.lines << NewLine(profile, QLatin1Char('[') + section + QLatin1Char(']'))
                      << NewLine(profile, key + QLatin1Char('=') + value);
        return;
    }
    if (const auto found = FindKey(profile.lines, *range, key)) {
        Line& line = profile.lines[found->line];
        line.text = line.text.left(line.text.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + value;
        line.bytes =
            RawKey(line.bytes, UnitSize(profile)) + Encode(QLatin1Char('=') + value, profile.encoding);
        line.written = true;
        return;
    }
    // After the section's last non-blank line, so blank lines that part sections stay between them.
    qsizetype at = range->second;
    while (at > range->first && profile.lines[at - 1].text.trimmed().isEmpty())
        --at;
    profile.lines.insert(at, NewLine(profile, key + QLatin1Char('=') + value));
}

// What a reader makes of a line: trimmed key, "=", trimmed value.
QString AsRead(const QString& text) {
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return text.trimmed();
    return text.left(equals).trimmed() + QLatin1Char('=') + text.mid(equals + 1).trimmed();
}

// Whether any line the write left alone reads so.
bool AnyUnwritten(const QList<Line>& lines, Reading reading) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const Line& line) { return !line.written && line.reading == reading; });
}

// What we write must read back as written, and must not change how the other lines read.
//
// A written line that is not UTF-8 makes the file a GBK file, and so changes how the lines read that
// are UTF-8 only outside one (a Latin name with one accented letter): when the file holds such lines
// and was no GBK file before the write, written lines are UTF-8 instead.
//
// Rarely, the GBK bytes of what we write are also UTF-8 that the reading rule takes for UTF-8 (a single
// Chinese letter of such bytes, in a file that only a run of such letters shows to be GBK), and the
// UTF-8 of a name with two accented letters together ("Conceição", "Růžena") are also GB2312 double
// bytes that the rule takes for GBK. Such a line is written in UTF-8, and when even that would read as
// GBK, followed by a no-break space: a blank, which a value ends without, as with every blank, and no
// GB2312 byte, so the line reads as UTF-8. The other lines stay as they are.
void KeepWrittenLinesReadable(Profile& profile) {
    if (!profile.mark.isEmpty())
        return;
    for (Line& line : profile.lines)
        if (line.written)
            line.reading = Classify(line.bytes);
    if (!profile.gbkFile && AnyUnwritten(profile.lines, Reading::GbkInGbkFile)) {
        for (Line& line : profile.lines) {
            if (line.written && line.reading == Reading::NotUtf8) {
                line.bytes = line.text.toUtf8();
                line.reading = Classify(line.bytes);
            }
        }
    }
    const bool gbkFile = IsGbkFile(profile.lines, profile.crLf);
    const auto readsRight = [&](const Line& line) {
        return AsRead(Decode(line, Encoding::Utf8, gbkFile)) == AsRead(line.text);
    };
    for (Line& line : profile.lines) {
        if (!line.written || readsRight(line))
            continue;
        line.bytes = line.text.toUtf8();
        line.reading = Classify(line.bytes);
        if (!readsRight(line)) {
            line.bytes += "\xC2\xA0"; // U+00A0
            line.reading = Classify(line.bytes);
        }
    }
}

QByteArray Compose(const Profile& profile) {
    QByteArray bytes = profile.mark;
    const QByteArray lineEnd =
        Encode(profile.crLf ? QStringLiteral("\r\n") : QStringLiteral("\n"), profile.encoding);
    for (qsizetype i = 0; i < profile.lines.size(); ++i) {
        const Line& line = profile.lines[i];
        bytes += line.bytes;
        if (line.end == Encode(QStringLiteral("\r"), profile.encoding) && i + 1 < profile.lines.size()) {
            bytes += lineEnd; // a last line cut after its CR, now followed by lines: a whole CR LF
        } else if (line.end.isEmpty() && i + 1 < profile.lines.size()) {
            // A last line without an end gets one when lines now follow it; in UTF-16 a last line cut
            // mid-letter first gets its letter completed, or every line after it would be misread. A
            // letter completed to a line feed is the line's end already.
            const bool cut = line.bytes.size() % UnitSize(profile) != 0;
            if (cut)
                bytes += '\0';
            if (!cut || !line.bytes.endsWith('\n'))
                bytes += lineEnd;
        } else {
            bytes += line.end;
        }
    }
    return bytes;
}

// An exclusive lock on a folder, held from construction to destruction. Every write of ours into the
// folder takes it, so processes take turns at their read-modify-writes.
struct FolderLock {
    explicit FolderLock(const QByteArray& folder)
        : fd(open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd < 0) {
            error = errno;
            return;
        }
        // A file system without locks still gets its files written: one game runs at a time anyway,
        // and the mutex orders this process's threads.
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() {
        if (fd >= 0)
            close(fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    int fd;
    int error = 0;
};

int WriteValues(const QString& section, const ProfileValues& values, const QString& filePath) {
    if (IsRefused(section, values))
        return EINVAL;
    std::lock_guard lock(g_profileMutex);
    QByteArray path = QFile::encodeName(filePath);
    if (path.isEmpty())
        return ENOENT;
    if (const int error = FollowSafeLinks(path))
        return error;
    const FolderLock folder(FolderOf(path));
    if (folder.fd < 0)
        return folder.error;
    QByteArray bytes;
    struct stat old {};
    if (lstat(path.constData(), &old) != 0 && errno != ENOENT)
        return errno;
    if (S_ISDIR(old.st_mode))
        return EISDIR;
    // A pipe or a device in the file's place holds no settings: never read, only replaced by the file;
    // but one a link leads to stays as it is.
    if (old.st_mode != 0 && !S_ISREG(old.st_mode) && path != QFile::encodeName(filePath))
        return EINVAL;
    const bool exists = S_ISREG(old.st_mode);
    if (exists) {
        // rename() asks only the folder's permission; the file's own is ours to honour, or a read-only
        // settings file would be replaced behind its owner's back.
        if (faccessat(AT_FDCWD, path.constData(), W_OK, AT_EACCESS) != 0)
            return errno;
        if (const int error = ReadWhole(path, bytes))
            return error; // unreadable: rewriting it would lose what it holds
    }
    Profile profile = Parse(bytes);
    for (const auto& [key, value] : values)
        SetValue(profile, section, key, value);
    KeepWrittenLinesReadable(profile);
    int error = 0;
    ReplaceFileAtomically(QFile::decodeName(path), Compose(profile), &error,
                          exists ? (old.st_mode & 07777) : NewFileMode());
    return error;
}

} // namespace

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& filePath) {
    const auto value = ReadValue(section, key, filePath);
    return value ? LeadingInteger(*value) : defaultValue;
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath) {
    const auto value = ReadValue(section, key, filePath);
    return (value ? *value : defaultValue).left(bufferSize > 0 ? bufferSize - 1 : 0);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& filePath, int* error) {
    return WritePrivateProfileValues(section, {{key, value}}, filePath, error);
}

bool WritePrivateProfileValues(const QString& section, const ProfileValues& values, const QString& filePath,
                               int* error) {
    const int result = WriteValues(section, values, filePath);
    if (error)
        *error = result;
    return result == 0;
}

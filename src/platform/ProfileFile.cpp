#include "platform/ProfileFile.h"

#include "platform/FileIo.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <climits>
#include <mutex>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads and writes of all settings files go one at a time: the game worker and the windows both write
// them, and a read-modify-write must not lose the other's key.
std::mutex g_profileMutex;

enum class Encoding { Utf8, Utf8Bom, Utf16Bom, ChineseCodePage };

// The Chinese code page of the Windows program is GBK; GB18030 reads and writes it byte for byte and
// also holds every character GBK lacks.
constexpr const char* kChineseCodePage = "GB18030";

struct ProfileText {
    QStringList lines;
    Encoding encoding = Encoding::Utf8;
    QString lineEnd = QStringLiteral("\n");
};

struct KeyLine {
    qsizetype line;
    QString value;
};

QString Decode(const QByteArray& bytes, Encoding& encoding) {
    if (bytes.startsWith("\xFF\xFE")) {
        encoding = Encoding::Utf16Bom;
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        encoding = Encoding::Utf8Bom;
        return QString::fromUtf8(bytes.mid(3));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        encoding = Encoding::Utf8;
        return text;
    }
    encoding = Encoding::ChineseCodePage;
    return QStringDecoder(kChineseCodePage).decode(bytes);
}

QByteArray Encode(const QString& text, Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16Bom:
        return QByteArray("\xFF\xFE", 2) + QStringEncoder(QStringEncoder::Utf16LE).encode(text);
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::ChineseCodePage:
        return QStringEncoder(kChineseCodePage).encode(text);
    case Encoding::Utf8:
        break;
    }
    return text.toUtf8();
}

// nullopt when the file does not exist or cannot be read.
std::optional<ProfileText> Load(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    ProfileText profile;
    const QString text = Decode(file.readAll(), profile.encoding);
    if (text.contains(QStringLiteral("\r\n")))
        profile.lineEnd = QStringLiteral("\r\n");
    profile.lines = text.split(QLatin1Char('\n'));
    for (QString& line : profile.lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    if (!profile.lines.isEmpty() && profile.lines.back().isEmpty())
        profile.lines.removeLast(); // the split's piece after the final line end
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
std::optional<std::pair<qsizetype, qsizetype>> FindSection(const ProfileText& profile,
                                                           const QString& section) {
    for (qsizetype i = 0; i < profile.lines.size(); ++i) {
        const auto name = SectionOf(profile.lines[i]);
        if (!name || !SameName(*name, section))
            continue;
        qsizetype end = i + 1;
        while (end < profile.lines.size() && !SectionOf(profile.lines[end]))
            ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

std::optional<KeyLine> FindKey(const ProfileText& profile, std::pair<qsizetype, qsizetype> range,
                               const QString& key) {
    for (qsizetype i = range.first; i < range.second; ++i) {
        const QString& line = profile.lines[i];
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0 || IsComment(line.trimmed()))
            continue;
        if (SameName(line.left(equals), key))
            return KeyLine{i, line.mid(equals + 1).trimmed()};
    }
    return std::nullopt;
}

// The value under section and key, nullopt when missing or empty.
std::optional<QString> ReadValue(const QString& section, const QString& key, const QString& filePath) {
    const auto profile = Load(filePath);
    if (!profile)
        return std::nullopt;
    const auto range = FindSection(*profile, section);
    if (!range)
        return std::nullopt;
    const auto found = FindKey(*profile, *range, key);
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

// Writes bytes to path through a temporary file in the same folder, flushed before the rename.
bool ReplaceFile(const QString& path, const QByteArray& bytes) {
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray temp =
        (slash < 0 ? QByteArray() : target.left(slash + 1)) + "." + target.mid(slash + 1) + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    struct stat old {};
    const mode_t mode = stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.constData(), target.constData()) == 0;
    if (!ok)
        unlink(temp.constData());
    return ok;
}

void SetValue(ProfileText& profile, const QString& section, const QString& key, const QString& value) {
    const auto range = FindSection(profile, section);
    if (!range) {
        profile.lines << QLatin1Char('[') + section + QLatin1Char(']') << key + QLatin1Char('=') + value;
        return;
    }
    if (const auto found = FindKey(profile, *range, key)) {
        QString& line = profile.lines[found->line];
        line = line.left(line.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + value;
        return;
    }
    // After the section's last non-blank line, so blank lines that part sections stay between them.
    qsizetype at = range->second;
    while (at > range->first && profile.lines[at - 1].trimmed().isEmpty())
        --at;
    profile.lines.insert(at, key + QLatin1Char('=') + value);
}

} // namespace

int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& filePath) {
    std::lock_guard lock(g_profileMutex);
    const auto value = ReadValue(section, key, filePath);
    return value ? LeadingInteger(*value) : defaultValue;
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath) {
    std::lock_guard lock(g_profileMutex);
    const auto value = ReadValue(section, key, filePath);
    return (value ? *value : defaultValue).left(bufferSize > 0 ? bufferSize - 1 : 0);
}

bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& filePath) {
    return WritePrivateProfileValues(section, {{key, value}}, filePath);
}

bool WritePrivateProfileValues(const QString& section, const ProfileValues& values, const QString& filePath) {
    std::lock_guard lock(g_profileMutex);
    ProfileText profile;
    if (QFile::exists(filePath)) {
        auto loaded = Load(filePath);
        if (!loaded)
            return false; // unreadable: rewriting it would lose what it holds
        profile = std::move(*loaded);
    }
    for (const auto& [key, value] : values)
        SetValue(profile, section, key, value);
    return ReplaceFile(filePath,
                       Encode(profile.lines.join(profile.lineEnd) + profile.lineEnd, profile.encoding));
}

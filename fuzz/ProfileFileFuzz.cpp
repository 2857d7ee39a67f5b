// Feeds any bytes as a settings file (UTF-8, GBK, UTF-16 with its mark, or none of them), reads it,
// and sets one key in it as the game saves progress and names. Checks that
//   - reading never fails or hangs, whatever the file holds;
//   - a value read as a number is its leading digits after one sign, held to the range of an int
//     (counted here apart, digit by digit, from the text the value reads as);
//   - a refused write (a name or value that would forge or hide lines) leaves every byte as it was,
//     and any other write succeeds;
//   - the key written reads back as its value (trimmed, as every value reads; an empty one gives the
//     default), and every other key the file held reads as it did before; unless the write replaced
//     the file's last line that is not UTF-8: by the reading rule, lines that read as GBK only because
//     of such a line read as UTF-8 then, names of the section or key written among them;
//   - every line not written keeps its bytes and its place: only the key's own line changes, or one
//     key line, or a section and its key line, is added.
// Input: a selector byte, then section, key and value (UTF-8, each ended by a zero byte), then the
// file. Selector 0 writes the section and key given; n > 0 writes the value under the n-th key that
// the file's lines hold (read as UTF-8, GB18030 or UTF-16), so keys in every encoding get rewritten.
#include "FuzzSupport.h"
#include "platform/ProfileFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace {

const QByteArray kUtf16Mark("\xFF\xFE", 2);
const QByteArray kUtf8Mark("\xEF\xBB\xBF");
const QString kDefault = QStringLiteral("\tdefault"); // values read are trimmed: never this
constexpr std::size_t kMaxProbes = 24;

struct KeyName {
    QString section;
    QString key;
};

bool SameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

QByteArray MarkOf(const QByteArray& file) {
    if (file.startsWith(kUtf16Mark))
        return kUtf16Mark;
    return file.startsWith(kUtf8Mark) ? kUtf8Mark : QByteArray();
}

// A file's lines as bytes, each with its line feed (in UTF-16, a whole unit at an even offset); the
// last one may have none.
struct RawLine {
    QByteArray bytes;
    bool ended = false;
};

std::vector<RawLine> RawLines(const QByteArray& file) {
    const QByteArray mark = MarkOf(file);
    const qsizetype unit = mark == kUtf16Mark ? 2 : 1;
    std::vector<RawLine> lines;
    qsizetype start = mark.size();
    for (qsizetype at = start; at + unit <= file.size(); at += unit) {
        if (file[at] == '\n' && (unit == 1 || file[at + 1] == '\0')) {
            lines.push_back({file.mid(start, at + unit - start), true});
            start = at + unit;
        }
    }
    if (start < file.size())
        lines.push_back({file.mid(start), false});
    return lines;
}

// Keys the file seems to hold, by reading its lines in each encoding the file could be in. Only
// candidates: a misread name just reads as missing, before the write and after it alike.
std::vector<KeyName> KeysIn(const QByteArray& file) {
    const bool utf16 = MarkOf(file) == kUtf16Mark;
    const std::vector<RawLine> lines = RawLines(file);
    std::vector<KeyName> keys;
    const char* const codecs[] = {"UTF-16LE", "UTF-8", "GB18030"};
    for (const char* codec : utf16 ? std::vector{codecs[0]} : std::vector{codecs[1], codecs[2]}) {
        QString section;
        bool inSection = false;
        for (const RawLine& line : lines) {
            const QString text = QString(QStringDecoder(codec).decode(line.bytes)).trimmed();
            if (text.startsWith(QLatin1Char('['))) {
                const qsizetype close = text.indexOf(QLatin1Char(']'));
                section = text.mid(1, close < 0 ? -1 : close - 1);
                inSection = true;
            } else if (const qsizetype equals = text.indexOf(QLatin1Char('=')); inSection && equals >= 0) {
                keys.push_back({section, text.left(equals)});
                if (keys.size() == kMaxProbes)
                    return keys;
            }
        }
    }
    return keys;
}

// Whether a file without a byte-order mark has a line that is not well-formed UTF-8. A line may begin
// with the bytes of a byte-order mark (well-formed UTF-8), which QString::fromUtf8 would drop.
bool HoldsLineNotUtf8(const QByteArray& file) {
    if (!MarkOf(file).isEmpty())
        return false;
    const std::vector<RawLine> lines = RawLines(file);
    return std::any_of(lines.begin(), lines.end(), [](const RawLine& line) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        return QString(utf8.decode(line.bytes)).toUtf8() != line.bytes;
    });
}

QString Read(const KeyName& name, const QString& path) {
    return GetPrivateProfileString(name.section, name.key, kDefault, INT_MAX, path);
}

// Whether the new line stands for the old one: the same bytes, or, for an old last line without a
// line end, the same bytes followed by a line end. In UTF-16 a last line cut mid-letter first gets a
// zero byte that completes the letter, and a letter completed to a line feed ends the line itself.
bool Kept(const RawLine& old, const RawLine& now, bool utf16) {
    if (old.ended || !now.ended)
        return old.bytes == now.bytes && old.ended == now.ended;
    QByteArray line = old.bytes;
    if (utf16 && line.size() % 2 != 0) {
        line += '\0';
        if (line.endsWith(QByteArray("\n\0", 2)))
            return now.bytes == line;
    }
    const QByteArray lf = utf16 ? QByteArray("\n\0", 2) : QByteArray("\n");
    const QByteArray crLf = utf16 ? QByteArray("\r\0\n\0", 4) : QByteArray("\r\n");
    return now.bytes == line + lf || now.bytes == line + crLf;
}

// Every old line is kept in its place except at most one (the key's own), and at most two lines come in.
void CheckOnlyTheKeysLineChanged(const QByteArray& before, const QByteArray& after) {
    Check(MarkOf(after) == MarkOf(before), "the byte-order mark stays");
    const bool utf16 = MarkOf(before) == kUtf16Mark;
    const std::vector<RawLine> old = RawLines(before);
    const std::vector<RawLine> now = RawLines(after);
    std::size_t same = 0;
    while (same < old.size() && same < now.size() && Kept(old[same], now[same], utf16))
        ++same;
    std::size_t tail = 0;
    while (same + tail < old.size() && same + tail < now.size() &&
           old[old.size() - 1 - tail].bytes == now[now.size() - 1 - tail].bytes &&
           old[old.size() - 1 - tail].ended == now[now.size() - 1 - tail].ended)
        ++tail;
    const std::size_t changed = old.size() - same - tail;
    const std::size_t added = now.size() - same - tail;
    Check(changed <= 1 && added <= 2 && added >= changed && (changed == 0 || added == 1),
          "only the key's own line changes, or a key line or a section "
          "with its key is added");
}

// The number a value reads as: an optional sign, then its leading decimal digits, beyond the range
// of an int the end of that range.
int ExpectedInt(const QString& text) {
    const bool negative = text.startsWith(QLatin1Char('-'));
    QString digits;
    for (const QChar c :
         text.mid(text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')) ? 1 : 0)) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        if (!digits.isEmpty() || c != QLatin1Char('0'))
            digits += c;
    }
    const QString limit = negative ? QStringLiteral("2147483648") : QStringLiteral("2147483647");
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits >= limit))
        return negative ? INT_MIN : INT_MAX;
    return negative ? -digits.toInt() : digits.toInt();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const QString path = ScratchFolder() + QStringLiteral("/system.cfg");
    QByteArray input(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    KeyName name{QString::fromUtf8(TakeField(input)), QString::fromUtf8(TakeField(input))};
    const QString value = QString::fromUtf8(TakeField(input));
    const QByteArray& before = input;
    WriteBytes(path, before);

    const std::vector<KeyName> keys = KeysIn(before);
    if (data[0] != 0 && !keys.empty())
        name = keys[(data[0] - 1) % keys.size()];
    std::vector<QString> read;
    for (const KeyName& key : keys) {
        read.push_back(Read(key, path));
        Check(GetPrivateProfileInt(key.section, key.key, -7, path) ==
                  (read.back() == kDefault ? -7 : ExpectedInt(read.back())),
              "a number reads as its leading digits, held to an int");
    }
    Read(name, path);

    int error = -1;
    const bool written = WritePrivateProfileString(name.section, name.key, value, path, &error);
    const QByteArray after = ReadBytes(path);
    if (!written) {
        Check(error == EINVAL, "only text that would forge or hide lines is refused");
        Check(after == before, "a refused write leaves the file as it was");
        return 0;
    }
    Check(error == 0, "a write that succeeds says so");
    CheckOnlyTheKeysLineChanged(before, after);
    if (HoldsLineNotUtf8(before) && !HoldsLineNotUtf8(after))
        return 0;
    const QString expected = value.trimmed().isEmpty() ? kDefault : value.trimmed();
    Check(Read(name, path) == expected, "the key written reads back as its value");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!(SameName(keys[i].section, name.section) && SameName(keys[i].key, name.key)))
            Check(Read(keys[i], path) == read[i], "every other key reads as before");
    }
    return 0;
}

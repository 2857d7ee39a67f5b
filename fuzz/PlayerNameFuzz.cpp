// Feeds any text as a name typed or pasted into the name entry, as UTF-16 units so that control
// characters of every kind and halves of surrogate pairs are within reach, makes it fit to keep
// (SafePlayerName), and enters it into a top list as a competition does. Checks that the kept name
//   - holds no control character (C0, DEL, C1), no line or paragraph separator, no bidirectional
//     override or isolate and no half of a surrogate pair;
//   - is the typed text without those, in order, cut to kMaxNameLength units at most, and only where
//     the cut leaves no half pair behind;
//   - is kept as it is when made fit again;
// and that entering it into the top list of a settings file (UTF-8, GBK with CR LF, or UTF-16 with
// its mark):
//   - is never refused;
//   - reads back as the name at its rank (trimmed, as every value reads; "null" when blank), with the
//     entries below moved down one, names and all, and those above as they were;
//   - changes no other list and adds no line: nothing in a name opens a section or a key of its own.
// Input: a selector byte (file kind and rank), then the name's UTF-16 units, little-endian.
#include "FuzzSupport.h"
#include "records/Records.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

const QString kList = QStringLiteral("TopListMode2");
const QString kOtherList = QStringLiteral("TopListMode3");
constexpr int kTotal = 555;

// Top lists as the game and the Windows program left them, full so that a move rewrites every line.
const QString kLists = QStringLiteral("; 排行\n[TopListMode2]\ntop1=900\ntop2=700\ntop3=300\nname1=王小明\n"
                                      "name2= Zoë \nname3=Иван\n\n[TopListMode3]\ntop1=80\nname1=李四\n");

struct Form {
    const char* codec;
    QByteArray mark;
    bool crLf;
};
const Form kForms[] = {
    {"UTF-8", {}, false}, {"GB18030", {}, true}, {"UTF-16LE", QByteArray("\xFF\xFE", 2), true}};

QByteArray FileBytes(const Form& form) {
    QString text = kLists;
    if (form.crLf)
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return form.mark + QStringEncoder(form.codec).encode(text);
}

// Each form's file and its lists as read before any entry: the same for every input, so read once.
struct Start {
    QByteArray bytes;
    std::array<TopListEntry, kTopListSize> list;
    std::array<TopListEntry, kTopListSize> other;
};

const std::array<Start, 3>& Starts() {
    static const std::array<Start, 3> starts = [] {
        std::array<Start, 3> made;
        const QString path = ScratchFolder() + QStringLiteral("/start.cfg");
        for (int i = 0; i < 3; ++i) {
            made[i].bytes = FileBytes(kForms[i]);
            WriteBytes(path, made[i].bytes);
            made[i].list = ReadTopList(path, kList);
            made[i].other = ReadTopList(path, kOtherList);
        }
        return made;
    }();
    return starts;
}

int LineCount(const QByteArray& bytes, const Form& form) {
    const QString text = QStringDecoder(form.codec).decode(bytes.mid(form.mark.size()));
    return static_cast<int>(text.count(QLatin1Char('\n')));
}

bool IsKept(char16_t u) {
    return !(u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029 ||
             (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069));
}

void CheckKeptName(const QString& typed, const QString& kept) {
    for (qsizetype i = 0; i < kept.size(); ++i) {
        Check(IsKept(kept[i].unicode()), "no control character or line separator is kept");
        const bool pairStart =
            kept[i].isHighSurrogate() && i + 1 < kept.size() && kept[i + 1].isLowSurrogate();
        const bool pairEnd = kept[i].isLowSurrogate() && i > 0 && kept[i - 1].isHighSurrogate();
        Check(!kept[i].isSurrogate() || pairStart || pairEnd, "no half of a surrogate pair is kept");
    }
    Check(SafePlayerName(kept) == kept, "a kept name is kept as it is");
    QString fit;
    for (const QChar c : typed)
        if (IsKept(c.unicode()))
            fit += c;
    // What stays once the halves that have no other half beside them go.
    QString whole;
    for (qsizetype i = 0; i < fit.size(); ++i) {
        const bool pair = fit[i].isHighSurrogate() && i + 1 < fit.size() && fit[i + 1].isLowSurrogate();
        if (pair)
            whole += fit.mid(i++, 2);
        else if (!fit[i].isSurrogate())
            whole += fit[i];
    }
    Check(kept == whole.left(kMaxNameLength) ||
              (kept == whole.left(kMaxNameLength - 1) && whole[kMaxNameLength - 1].isHighSurrogate()),
          "a kept name is what was typed, in order, cut only where the records end");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    QString typed;
    for (std::size_t i = 1; i + 1 < size; i += 2)
        typed += QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const QString kept = SafePlayerName(typed);
    CheckKeptName(typed, kept);

    static const QString path = ScratchFolder() + QStringLiteral("/race.cfg");
    const int formIndex = data[0] % 3;
    const int rank = 1 + (data[0] / 3) % kTopListSize;
    const Start& start = Starts()[formIndex];
    const Form& form = kForms[formIndex];
    const QByteArray& before = start.bytes;
    const auto& list = start.list;
    const auto& other = start.other;
    WriteBytes(path, before);

    InsertTopListEntry(path, kList, rank, kTotal, kept);
    const QByteArray after = ReadBytes(path);
    Check(after != before, "a name entered is written");
    const auto now = ReadTopList(path, kList);
    const QString shown = kept.trimmed().isEmpty() ? kMissingText : kept.trimmed();
    Check(now[rank - 1].score == kTotal && now[rank - 1].name == shown, "the name reads back at its rank");
    for (int i = 0; i < kTopListSize; ++i) {
        if (i == rank - 1)
            continue;
        const TopListEntry& was = list[i < rank - 1 ? i : i - 1]; // those below moved down one
        Check(now[i].score == was.score && now[i].name == was.name, "the other entries keep their names");
    }
    const auto otherNow = ReadTopList(path, kOtherList);
    for (int i = 0; i < kTopListSize; ++i)
        Check(otherNow[i].score == other[i].score && otherNow[i].name == other[i].name, "another list stays");
    Check(LineCount(after, form) == LineCount(before, form), "a name adds no line");
    return 0;
}

// Feeds any text as a player's name and as the game type beside it into a score-sheet line, encodes
// the line as the sheets hold it (GB18030, CR LF), and reads it back as a spreadsheet reads CSV.
// Checks that
//   - the bytes decode to the line itself followed by CR LF (every character survives the code page);
//   - the line is one row of exactly four fields, whatever the texts hold (commas, quotes, line
//     breaks);
//   - each text comes back as it was, behind one apostrophe when it starts as a spreadsheet formula
//     does (=, +, -, @, a tab or a carriage return), so that it shows as text;
//   - a field needs no quotes only when it holds no comma, quote or line break.
// Input: the name, a zero byte, the type; both UTF-8 (ill-formed bytes read as U+FFFD, so every
// text is well-formed: names reach the sheet from the name entry, which gives no halves of pairs).
#include "FuzzSupport.h"
#include "records/Csv.h"
#include "support/CsvReader.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

QString AsShown(const QString& text) {
    static const QString kFormulaStart = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && kFormulaStart.contains(text[0]) ? QLatin1Char('\'') + text : text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray input = InputBytes(data, size);
    const QString name = QString::fromUtf8(TakeField(input));
    const QString type = QString::fromUtf8(input);

    const QString field = SheetField(name);
    const bool plain = !field.startsWith(QLatin1Char('"'));
    Check(!plain || std::none_of(field.begin(), field.end(),
                                 [](QChar c) { return QStringLiteral(",\"\r\n").contains(c); }),
          "a field without quotes holds no comma, quote or line break");

    const QString line = field + QStringLiteral(",120,") + SheetField(type) + QStringLiteral(",14:05-09");
    const QByteArray bytes = SheetBytes(line);
    QStringDecoder decoder("GB18030");
    const QString text = decoder.decode(bytes);
    Check(!decoder.hasError() && text == line + QStringLiteral("\r\n"),
          "the code page keeps every character");

    const std::vector<QStringList> rows = ReadCsv(text);
    Check(rows.size() == 1 && rows[0].size() == 4, "a line is one row of four fields");
    Check(rows[0][0] == AsShown(name) && rows[0][2] == AsShown(type), "each text reads back as it was");
    Check(rows[0][1] == QStringLiteral("120") && rows[0][3] == QStringLiteral("14:05-09"),
          "the fields beside them stay");
    return 0;
}

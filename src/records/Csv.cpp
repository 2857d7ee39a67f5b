#include "records/Csv.h"

#include <QStringEncoder>

#include <algorithm>

namespace {

// The Chinese code page of spreadsheets set up for simplified Chinese is GBK; GB18030 writes GBK's
// characters byte for byte and keeps the rest instead of turning them into question marks.
constexpr const char* kSheetCodePage = "GB18030";

} // namespace

QByteArray SheetBytes(const QString& line) {
    return QStringEncoder(kSheetCodePage).encode(line + QStringLiteral("\r\n"));
}

QString SheetField(const QString& field) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    static const QString kFormulaStart = QStringLiteral("=+-@\t\r");
    QString text = field;
    if (!text.isEmpty() && kFormulaStart.contains(text[0]))
        text.prepend(QLatin1Char('\''));
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return kSpecial.contains(c); }))
        return text;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

std::optional<QStringList> SheetFields(const QString& line) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                field += line[++i];
            else if (c == u'"')
                quoted = false;
            else
                field += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    if (quoted)
        return std::nullopt;
    fields << field;
    return fields;
}

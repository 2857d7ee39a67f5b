// Reads CSV as a spreadsheet reads the files the program writes. Written apart from the program's own
// CSV code on purpose, since the tests hold that code to it. The rules: rows end with CR LF (a bare LF
// or CR too); fields are separated by commas; a field that begins with a quote runs to the next quote
// that is not doubled, so it may hold commas, line breaks and quotes (a doubled quote reads as one).
// A field that does not begin with a quote is taken as it stands.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

inline std::vector<QStringList> ReadCsv(const QString& text) {
    const qsizetype end = text.size();
    const auto is = [&](qsizetype i, char16_t c) { return i < end && text[i] == c; };
    std::vector<QStringList> rows;
    QStringList row;
    qsizetype i = 0;
    while (i < end) {
        QString field;
        if (is(i, u'"')) {
            for (++i; i < end && !(is(i, u'"') && !is(i + 1, u'"')); ++i) {
                if (is(i, u'"'))
                    ++i; // the first of a doubled quote
                field += text[i];
            }
            ++i; // the closing quote
        }
        while (i < end && !is(i, u',') && !is(i, u'\r') && !is(i, u'\n'))
            field += text[i++];
        row << field;
        if (is(i, u',')) {
            if (++i == end)
                row << QString(); // a comma at the very end leaves one more, empty field
            else
                continue;
        }
        if (is(i, u'\r'))
            ++i;
        if (is(i, u'\n'))
            ++i;
        rows.push_back(row);
        row.clear();
    }
    return rows;
}

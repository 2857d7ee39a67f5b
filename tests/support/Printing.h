// How a failing test shows Qt's texts: as the text itself, Chinese included, instead of a list of
// UTF-16 units or bytes. Included in every test file by the build.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        *out << (i == 0 ? "" : ", ");
        PrintTo(texts[i], out);
    }
    *out << '}';
}

// Bytes as a C string: printable ASCII as it is, everything else as \xNN.
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << '"';
    for (const char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            *out << c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            *out << escaped;
        }
    }
    *out << "\" (" << bytes.size() << " bytes)";
}

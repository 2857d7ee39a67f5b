// Settings files of the INI kind ("[section]" lines, then "key=value" lines), read and written one key
// at a time, with the behaviour the game's files were written for: section and key names match in any
// case, whitespace around keys and values does not count, and anything missing reads as the default.
//
// Writes replace the file atomically (a temporary file in the same folder, flushed, renamed over the
// old one), so a crash leaves the old file or the new one, never a broken one. New files are UTF-8;
// files made on Windows in UTF-16 (with a byte-order mark) or in the Chinese code page are read as such
// and keep their encoding when written.
#pragma once

#include <QList>
#include <QString>

#include <utility>

// The integer under key: its leading decimal digits, a sign allowed; a value without digits (a name,
// "null", a space) gives 0. A missing file, section or key, or an empty value, gives defaultValue.
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& filePath);

// The text under key, cut to bufferSize - 1 characters; defaultValue (cut alike) when the file, section
// or key is missing or the value is empty.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath);

// Sets key to value, creating the file (when its folder exists), the section and the key as needed and
// keeping every other line as it was. False when the file could not be written.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& filePath);

// Several keys of one section set in a single replacement of the file, so a reader or a crash sees
// all of them changed or none.
using ProfileValues = QList<std::pair<QString, QString>>;
bool WritePrivateProfileValues(const QString& section, const ProfileValues& values, const QString& filePath);

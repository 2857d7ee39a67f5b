// Settings files of the INI kind ("[section]" lines, then "key=value" lines), read and written one key
// at a time, with the behaviour the game's files were written for: section and key names match in any
// case, whitespace around keys and values does not count, and anything missing reads as the default.
//
// The files hold the player's progress and names, and come from two worlds: the Windows program left
// them in the Chinese code page (GBK) with CR LF, or in UTF-16 with a byte-order mark; this program
// and Linux editors make them in UTF-8. A file with a byte-order mark is what its mark says. Without
// one, each line is read on its own: a line that is not UTF-8 is GBK; a UTF-8 line whose non-ASCII
// letters are all of three or four bytes is UTF-8; a UTF-8 line with two-byte letters is read as GBK
// only when its bytes are also GB2312 double bytes and either two such letters stand together (a
// Chinese name, where Latin names have single accented letters) or the file is a GBK file: another
// line of it is not UTF-8, or its lines end in CR LF (only the Windows program made such files; a
// one-letter Chinese name there reads right). So names from both worlds read right, even in one file. Bytes
// that make no letter, a letter cut off at a line's end included, read as replacement characters.
//
// A write touches only its own line: the other lines keep every byte, stray undecodable bytes
// included. A changed key keeps its spelling and its line end; new lines take the file's encoding
// (its mark's; GBK in a GBK file or when any line reads as GBK; else UTF-8) and its line end (CR LF when any
// line ends so). Without a mark, a written line whose bytes the reading rule would take otherwise, or which
// would change how another line reads, is UTF-8 instead, followed by a no-break space (a blank, which
// no value keeps) where even UTF-8 would read as GBK.
//
// The file is replaced atomically (ReplaceFileAtomically: a temporary file in its folder, flushed,
// renamed over it), so a crash leaves the old file or the new one, and RemoveLeftoverTempFiles clears
// what a killed write left. A symbolic link is read and written through to its target only where no
// other account could have made it (MayFollowLink: a folder only this user may write); elsewhere it
// reads as missing and is not written (ELOOP). A pipe or a device in the file's place reads as missing
// and is replaced by the file, a file over a megabyte reads as missing and is not written (EFBIG).
// The folder is locked (flock) for the whole read-modify-write, so two processes writing one file
// keep each other's keys.
#pragma once

#include <QList>
#include <QString>

#include <utility>

// The integer under key: its leading decimal digits, a sign allowed; a value without digits (a name,
// "null", a space) gives 0. A missing file, section or key, or an empty value, gives defaultValue.
int GetPrivateProfileInt(const QString& section, const QString& key, int defaultValue,
                         const QString& filePath);

// The text under key, cut to bufferSize - 1 characters; defaultValue (cut alike) when the file, section
// or key is missing or the value is empty. Any bytes may be in the file: what cannot be found or
// decoded gives the default, never a failure.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                int bufferSize, const QString& filePath);

// Sets key to value, creating the file (when its folder exists), the section and the key as needed and
// keeping every other line as it was. False when the file was not written; then *error (when given)
// holds the errno of what failed: EACCES or EPERM when the player may not write the file or its folder,
// ENOSPC, EDQUOT or EFBIG when the disk is full, EROFS, and EINVAL when a name or the value holds a
// line break or another control character (all but tab), a key holds "=" or starts like a section, a
// comment or a byte-order mark (U+FEFF), or a section holds "]", any of which would forge or hide
// lines. *error is 0 on success.
// A failed write leaves the old file as it was.
bool WritePrivateProfileString(const QString& section, const QString& key, const QString& value,
                               const QString& filePath, int* error = nullptr);

// Several keys of one section set in a single replacement of the file, so a reader or a crash sees
// all of them changed or none. Refused whole when any of them would be refused alone.
using ProfileValues = QList<std::pair<QString, QString>>;
bool WritePrivateProfileValues(const QString& section, const ProfileValues& values, const QString& filePath,
                               int* error = nullptr);

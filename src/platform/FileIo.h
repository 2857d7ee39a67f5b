// Writing whole buffers to descriptors, and whole files.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Writes every byte of bytes to fd, going on after interruptions; false as soon as a write fails or
// writes nothing (a full disk), with what was written so far left in place.
bool WriteAll(int fd, const QByteArray& bytes);

// The mode a file the user's programs make gets: requested less the user's umask. The umask is read
// without changing it, since other threads may be making files meanwhile.
mode_t NewFileMode(mode_t requested = 0666);

// The folder holding path: "." for a bare name, "/" for one in the root.
QByteArray FolderOf(const QByteArray& path);

// Whether the symbolic link at path may be followed: only where no other account could have made it
// or put it there, in a folder of this user's (or root's) that no one else may write, or a sticky
// folder when the link is this user's own. A shared folder's links could lead anywhere the player
// may write (their ssh settings, say), so they are never followed.
bool MayFollowLink(const QByteArray& path);

// Follows symbolic links to the file they finally name, but only links MayFollowLink allows: a link
// in a shared folder gives ELOOP. 0 or the errno of what failed; a missing file ends the walk with 0.
int FollowSafeLinks(QByteArray& path);

// The most a settings file of the data folder may hold (the players' index and the INI files): far
// more than thousands of players' names. A larger one is none of ours, and is not read.
inline constexpr qint64 kMaxSettingsFileBytes = 1 << 20;

// Reads a whole file as ReadRegularFile does, but through the links FollowSafeLinks follows.
bool ReadFileThroughSafeLinks(const QString& path, QByteArray* bytes, int* error, qint64 limit);

// Checks the folders of path from the root down, and with make creates those missing (mode 0777 less
// the umask): 0, or ELOOP when one of them is a link MayFollowLink refuses, ENOTDIR when one is no
// folder, or what lstat or mkdir said. Without make, a missing folder ends the check with 0.
int CheckFolders(const QString& path, bool make = false);

// Opens a file as itself: never through a symbolic link, never a device or a pipe (whose open could
// block), never in a folder reached through a link CheckFolders refuses, so a name another account
// planted leads nowhere else. The descriptor, or -1 with *error.
int OpenRegularFile(const QString& path, int flags, int* error);

// Reads a whole file opened as OpenRegularFile does; false with *error when it cannot be read, is
// longer than limit bytes (EFBIG; -1: any length), or, with ownOnly, is not this user's own single
// file (EPERM for another account's, EMLINK for one with other names, which another account may have
// made).
bool ReadRegularFile(const QString& path, QByteArray* bytes, int* error, qint64 limit = -1,
                     bool ownOnly = false);

// Makes path a folder only this user may enter (0700), or makes an existing folder of this user's
// so; false with *error when it is a link, no folder (ENOTDIR) or another account's (EPERM).
bool MakePrivateFolder(const QString& path, int* error);

// Writes bytes as the whole new content of path: into a temporary file in the same folder, flushed to
// disk, then renamed over path, so a reader or a crash sees the old file or the new one, never a part.
// On failure the temporary file is removed, path is as it was, and *error (when given) holds the errno.
// A link at path is replaced, never written through; a folder reached through a link CheckFolders
// refuses is not written in (ELOOP).
// The file gets mode exactly (an existing file's own, say); by default that of any new file.
bool ReplaceFileAtomically(const QString& path, const QByteArray& bytes, int* error = nullptr,
                           mode_t mode = NewFileMode());

// The names those temporary files have: "." + file name + kTempMarker + six random characters.
inline constexpr const char* kTempMarker = ".aviluma-tmp-";

// Removes the temporary files that interrupted replacements left in folder, and nothing else. Only
// safe while no other replacement may be under way there: the caller holds the data folder's lock,
// which every game writing there holds too.
void RemoveLeftoverTempFiles(const QString& folder);

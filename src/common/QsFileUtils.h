// What the file system knows about a file, in the attribute terms the program uses throughout.
//
// Attributes map onto the mode bits: read-only = no write permission bit at all; hidden = the name
// starts with "."; system = not a regular file; archive = every regular file; compressed = the file
// system's compression flag where it has one. Root may write a read-only file anyway, so nothing
// here asks access().
#pragma once

#include <QDateTime>
#include <QString>

enum : quint32 {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
    faArchive = 32,
    faCompressed = 2048,
};

// Size in bytes; -1 when nothing is found or the path is a folder.
qint64 FileSize(const QString& path);

// Local times in the two-second steps of FAT dates (years 1980 to 2107); invalid when the file is not
// found, the file system does not record the time, or the time falls outside that range.
QDateTime FileCreatedTime(const QString& path);
QDateTime FileModifiedTime(const QString& path);
QDateTime FileAccessedTime(const QString& path);
QDateTime FatRoundedTime(const QDateTime& time);

// The attribute bits of the file, or -1 when they cannot be read.
qint64 FileAttributes(const QString& path);
// True when every bit of mask is set; false when the attributes cannot be read.
bool HasAttributes(const QString& path, quint32 mask);
// With replace, the attributes become exactly attrs; otherwise attrs AND the current ones. Only the
// read-only bit changes anything on disk: set clears every write bit, clear restores the owner's.
bool SetAttributes(const QString& path, quint32 attrs, bool replace);

// The desktop's description of the file's type, or "<EXT> File" when the extension has no known type.
QString FileTypeName(const QString& path);

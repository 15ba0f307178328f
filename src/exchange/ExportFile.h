// Where an export lands: the destination test of the wizard, and the writing of the finished file.
//
// An export holds every password in the clear, so it is created owner-only (mode 0600). It is written
// to a new file beside the destination and renamed over it only when complete: a failed export leaves
// no partial file and an earlier file of that name intact.
#pragma once

#include <QByteArray>
#include <QString>

// The destination as the user means it: a leading "~/" is the home folder, a relative name is taken
// from the folder where a file dialog would start (QsDialogStartFolder). Empty for an empty name.
QString ExportTargetPath(const QString& typed);

// True when an export could be written under the name: its folder exists and takes new files, and the
// name is free or a regular file the user may replace. Never changes an existing file of that name;
// a probe file made to test the name is removed again.
bool ExportTargetUsable(const QString& path);

// Writes data as the whole new content of path (see above). Raises EInOutError (Cryptcon.h) with the
// system's reason; a destination that is a folder or a device is refused as an invalid filename.
void WriteExportFile(const QString& path, const QByteArray& data);

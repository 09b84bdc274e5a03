#pragma once

#include <QString>

// Questions about the file systems the program works on. Linux has no drive letters: the
// "first fixed drive" is the root "/", and a drive is the file system that holds a path.
namespace DiskProc {

// "/" (the root of the file system); never empty on Linux.
QString FirstFixedDrive();

// Free space of the file system holding `path` (or its nearest existing folder): 0 with the
// bytes free and available to this user and the total bytes; -1 when it cannot be queried.
int FreeSpaceOfDrive(const QString& path, double& bytesAvailable, double& totalBytes);

// True when the file system holding `path` answers a free-space query.
bool DriveUsable(const QString& path);

} // namespace DiskProc

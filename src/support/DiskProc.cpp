#include "DiskProc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace DiskProc {

namespace {

// The path itself when it exists, otherwise its nearest existing parent folder. A relative path
// has no file system of its own to ask about, as a path without a drive letter had none.
QString NearestExisting(const QString& path)
{
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        return {};
    QString current = QDir::cleanPath(path);
    while (!QFileInfo::exists(current)) {
        const QString parent = QFileInfo(current).path();
        if (parent == current)
            return {};
        current = parent;
    }
    return current;
}

} // namespace

QString FirstFixedDrive()
{
    return QStringLiteral("/");
}

int FreeSpaceOfDrive(const QString& path, double& bytesAvailable, double& totalBytes)
{
    const QString existing = NearestExisting(path);
    struct statvfs info;
    if (existing.isEmpty() || ::statvfs(QFile::encodeName(existing).constData(), &info) != 0)
        return -1;
    bytesAvailable = static_cast<double>(info.f_bavail) * static_cast<double>(info.f_frsize);
    totalBytes = static_cast<double>(info.f_blocks) * static_cast<double>(info.f_frsize);
    return 0;
}

bool DriveUsable(const QString& path)
{
    double available = 0;
    double total = 0;
    return FreeSpaceOfDrive(path, available, total) == 0;
}

} // namespace DiskProc

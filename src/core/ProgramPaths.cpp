#include "ProgramPaths.h"

#include "support/DiskProc.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramPaths {

QString ProgramTextFile(const QString& fileName)
{
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(fileName);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = QDir(QStringLiteral(ZR7_INSTALL_DATADIR "/zr7e")).filePath(fileName);
    return QFileInfo::exists(installed) ? installed : beside;
}

QString DefaultOperationFile(const QString& folderName)
{
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = DiskProc::FirstFixedDrive();
    const QString folder = QDir(base).filePath(folderName);
    QDir().mkpath(folder);
    return QDir(folder).filePath(QStringLiteral("zr7e.opn"));
}

} // namespace ProgramPaths

#include "ProgramPaths.h"

#include "files/folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

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
    return folder::AppDataFilePath(QStringLiteral("zr7e.opn"), folderName);
}

} // namespace ProgramPaths

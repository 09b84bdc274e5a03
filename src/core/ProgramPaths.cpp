#include "ProgramPaths.h"

#include "files/folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramPaths {

QString ProgramTextFile(const QString& fileName)
{
    return ProgramTextFile(fileName, QCoreApplication::applicationDirPath());
}

QString ProgramTextFile(const QString& fileName, const QString& programFolder)
{
    const QDir folder(programFolder);
    const QString beside = folder.filePath(fileName);
    // An installed tree moved as a whole (another prefix, a package staged with DESTDIR) keeps
    // its data folder where it is relative to bin/.
    const QStringList candidates{
        beside, QDir::cleanPath(folder.filePath(QStringLiteral("../share/zr7e/") + fileName)),
        QDir(QStringLiteral(ZR7_INSTALL_DATADIR "/zr7e")).filePath(fileName)};
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return beside;
}

QString DefaultOperationFile(const QString& folderName)
{
    return folder::AppDataFilePath(QStringLiteral("zr7e.opn"), folderName);
}

} // namespace ProgramPaths

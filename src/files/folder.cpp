#include "folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace folder {

qint64 CountSubfolders(const QString& path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable())
        return -1;
    qint64 count = 0;
    QDirIterator it(path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

} // namespace folder

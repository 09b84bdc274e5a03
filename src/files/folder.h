#pragma once

#include <QString>

// Folder queries of the file specification commands.
namespace folder {

// The number of subfolders directly in `path`; -1 when the folder cannot be read.
qint64 CountSubfolders(const QString& path);

} // namespace folder

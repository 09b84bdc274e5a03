#pragma once

#include <QString>

// Where the program finds its own files.
namespace ProgramPaths {

// A file of the program's own (its program text, its user guide): beside the executable,
// otherwise in the data folder of the tree the executable is installed in
// (<bin>/../share/zr7e), otherwise in the data folder of the prefix it was built for. When none
// exists, the path beside the executable, so that the load failure names the place where the
// file belongs.
QString ProgramTextFile(const QString& fileName);
// The same for an executable in `programFolder`.
QString ProgramTextFile(const QString& fileName, const QString& programFolder);

// <config folder>/<folderName>/zr7e.opn, the folder created when missing. The config folder is
// the XDG one (~/.config); without one, the root "/" takes its place.
QString DefaultOperationFile(const QString& folderName);

} // namespace ProgramPaths

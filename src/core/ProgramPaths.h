#pragma once

#include <QString>

// Where the program finds its own files.
namespace ProgramPaths {

// The program text file: beside the executable, otherwise in the installed data folder
// (<prefix>/share/zr7e). When neither exists, the path beside the executable, so that the
// load failure names the place where the file belongs.
QString ProgramTextFile(const QString& fileName);

// <config folder>/<folderName>/zr7e.opn, the folder created when missing. The config folder is
// the XDG one (~/.config); without one, the root "/" takes its place.
QString DefaultOperationFile(const QString& folderName);

} // namespace ProgramPaths

#pragma once

#include "core/Setup.h"

#include <QString>
#include <QStringList>

// What an operation file holds: the version text of the program that wrote it, and the saved
// switches, folders and file specifications. The key is never part of it.
struct OperationFileContents
{
    QString versionText;
    KeptSetup saved;
};

// Writes the nine lines of an operation file for `setup`: the version text, the switches
// encrypt, confirm files, output files same and subfolders (" 1 " or " 0 "), then the input
// folder and file specification and the output folder and file specification, each in double
// quotes; every line ends with CR LF, the text is UTF-8. A single file adds a tenth line " 1 ":
// its input specification is that file's name, never a pattern. Repairable files add an eleventh
// line " 1 ", after a tenth line " 0 " when there is no single file. The file is replaced whole or
// not at all; a symbolic link or a special file under the name is never replaced or followed.
// False, without a message, when it cannot be written (or a string holds a line break, which no
// line of the file could carry).
// The files of `inUse` (the keyfile in use, the input file) are never replaced, by whatever name.
bool WriteOperationFile(const QString& path, const Setup& setup, const QStringList& inUse = {});

// Reads the nine items of an operation file, and the single-file and repairable lines when they
// are there (a switch that has no line is off). False,
// without a message and with `contents` untouched, when the file is not a regular file or cannot
// be read, has fewer lines, or a switch line is not 0 or 1 or a string line is not in double
// quotes.
bool ReadOperationFile(const QString& path, OperationFileContents& contents);

#pragma once

#include "FileResult.h"

#include <QString>

// The report's words for the outcome of one file, appended after its size.
namespace FileResultText {

// The text of a failure or refusal `result` (anything but Done). `inputPath` gives the
// extension of the refusals, `temporaryPath` the file that holds a result that could not be
// renamed or an original that could not be purged.
QString FailureText(FileResult result, bool encrypt, const QString& inputPath,
                    const QString& temporaryPath);

// True when `result` may leave part of a decryption behind (the engine's partial results).
bool MayLeavePartialOutput(FileResult result);

// The note on a second line about the file that may hold partial output.
QString PartialOutputNote(const QString& file);

// "4,096 bytes in 1 sector": what the parity of a repairable file mended.
QString RepairedText(quint64 bytes, quint64 sectors);

// "File PATH not found!": a file or folder named to the program that is not there.
QString FileNotFoundText(const QString& path);

} // namespace FileResultText

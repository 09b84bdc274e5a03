#pragma once

#include <QString>

// The report's words for the outcome of one file, appended after its size.
namespace FileResultText {

// The text of a failure or refusal `result` (anything but 0): the program's own codes 1 to 9
// and the engine's codes. `inputPath` gives the extension and drive of the refusals,
// `temporaryPath` the file that holds a result that could not be renamed.
QString FailureText(int result, bool encrypt, const QString& inputPath,
                    const QString& temporaryPath);

// True when `result` leaves part of a decryption behind (-99 to -16).
bool MayLeavePartialOutput(int result);

// The note on a second line about the file that may hold partial output.
QString PartialOutputNote(const QString& file);

} // namespace FileResultText

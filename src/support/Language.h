#pragma once

#include <QString>

// The program's numbered texts, read once from the program text file at start-up.
namespace Language {

// Loads the program text file; 1 or more on success, otherwise a load result code.
int Load(const QString& path);

// The message shown when Load() gave `result` (below 1) for the file at `path`.
QString LoadFailureMessage(int result, const QString& path);

// The text of `number`; "" when there is none, and for a text stored as "~".
QString Text(int number);

} // namespace Language

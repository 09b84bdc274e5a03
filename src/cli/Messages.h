#pragma once

#include <QString>

// What zr7e-cli writes to standard error. Every message begins with the program's name, so
// that in a script's log it can be told from the messages of the programs around it; a message
// of several lines (the description of an operation) begins so on its first line.
namespace Messages {

constexpr char ProgramName[] = "zr7e-cli";

// "zr7e-cli: <text>".
void Print(const QString& text);

// "zr7e-cli: Error: <text>", as every command reports what stops it.
void PrintError(const QString& text);

// A command given wrongly: Print(message), then "Try 'zr7e-cli --help'." on a line of its own.
void PrintUsage(const QString& message);
// The same for an error: PrintUsage("Error: <text>").
void PrintUsageError(const QString& text);

} // namespace Messages

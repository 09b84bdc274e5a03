#pragma once

#include <QString>
#include <QStringList>

// The command line as the commands read it, whatever form the user gave it in.
namespace CommandLine {

// `args` with each option of the form --name=value made two arguments, --name and value, and
// with the first "--" dropped: each argument after it is an operand, a path, even when it
// begins with "-"; such a path is given as "./" and the argument, which names the same file
// and can no longer be taken for an option or for standard input.
QStringList Normalized(const QStringList& args);

// True when `arg` has the form of an option: it begins with "-" and is not "-" alone.
bool IsOption(const QString& arg);

} // namespace CommandLine

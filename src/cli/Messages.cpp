#include "Messages.h"

#include <cstdio>

namespace Messages {

void Print(const QString& text)
{
    const QString line = QLatin1String(ProgramName) + QStringLiteral(": ") + text + u'\n';
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void PrintError(const QString& text)
{
    Print(QStringLiteral("Error: ") + text);
}

void PrintUsage(const QString& message)
{
    Print(message);
    std::fprintf(stderr, "Try '%s --help'.\n", ProgramName);
}

void PrintUsageError(const QString& text)
{
    PrintUsage(QStringLiteral("Error: ") + text);
}

} // namespace Messages

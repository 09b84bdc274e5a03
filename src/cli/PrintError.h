#pragma once

#include <QString>

#include <cstdio>

// "Error: <text>" on standard error, as every command reports what stops it.
inline void PrintError(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("Error: ") + text + QLatin1Char('\n')), stderr);
}

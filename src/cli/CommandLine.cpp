#include "CommandLine.h"

namespace CommandLine {

QStringList Normalized(const QStringList& args)
{
    QStringList normalized;
    bool operands = false;
    for (const QString& arg : args) {
        if (operands) {
            normalized.append(arg.startsWith(u'-') ? QStringLiteral("./") + arg : arg);
        } else if (arg == QLatin1String("--")) {
            operands = true;
        } else if (const qsizetype equals = arg.indexOf(u'=');
                   arg.startsWith(QLatin1String("--")) && equals > 2) {
            normalized.append(arg.left(equals));
            normalized.append(arg.mid(equals + 1));
        } else {
            normalized.append(arg);
        }
    }
    return normalized;
}

bool IsOption(const QString& arg)
{
    return arg.startsWith(u'-') && arg != QLatin1String("-");
}

} // namespace CommandLine

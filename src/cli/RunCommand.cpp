#include "RunCommand.h"

#include "CliKey.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "OperationCommand.h"
#include "core/SetupEditor.h"
#include "core/UnattendedInteraction.h"
#include "persist/SetupCommands.h"

#include <cstdio>

int RunOperationFile(QStringList args)
{
    CliKey keyOptions;
    QString error;
    if (!keyOptions.ParseOptions(args, error)) {
        std::fputs(qPrintable(error + QLatin1Char('\n')), stderr);
        return ExitStatus::Refused;
    }
    QString path;
    bool yes = false;
    bool force = false;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--yes")) {
            yes = true;
        } else if (arg == QLatin1String("--force")) {
            force = true;
        } else if (CommandLine::IsOption(arg) || !path.isEmpty()) {
            std::fputs(qPrintable(QStringLiteral("Error: unexpected argument ") + arg + '\n'),
                       stderr);
            return ExitStatus::Refused;
        } else {
            path = arg;
        }
    }
    if (path.isEmpty()) {
        std::fputs("Error: no operation file given.\n", stderr);
        return ExitStatus::Refused;
    }
    // The load's messages go to standard error as "Title: text", as the window would show them.
    UnattendedInteraction interaction;
    SetupEditor editor(interaction);
    if (!SetupCommands(editor, interaction).Load(path))
        return ExitStatus::Refused;
    return RunSetup(editor, keyOptions, yes, force);
}

#include "RunCommand.h"

#include "CliInteraction.h"
#include "CliKey.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "OperationCommand.h"
#include "core/SetupEditor.h"
#include "persist/SetupCommands.h"

int RunOperationFile(QStringList args)
{
    CliKey keyOptions;
    QString error;
    if (!keyOptions.ParseOptions(args, error)) {
        Messages::PrintUsage(error);
        return ExitStatus::Refused;
    }
    QString path;
    RunChoices choices;
    for (const QString& arg : args) {
        if (TakeRunChoice(arg, choices))
            continue;
        if (CommandLine::IsOption(arg) || !path.isEmpty()) {
            Messages::PrintUsageError(QStringLiteral("unexpected argument ") + arg);
            return ExitStatus::Refused;
        }
        path = arg;
    }
    if (path.isEmpty()) {
        Messages::PrintUsageError(QStringLiteral("no operation file given."));
        return ExitStatus::Refused;
    }
    // The load's messages go to standard error as "Title: text", as the window would show them.
    CliMessages interaction;
    SetupEditor editor(interaction);
    if (!SetupCommands(editor, interaction).Load(path))
        return ExitStatus::Refused;
    return RunSetup(editor, keyOptions, choices);
}

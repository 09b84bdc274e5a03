#include "StartArguments.h"

#include "FileResultText.h"
#include "FileSummary.h"
#include "SetupEditor.h"
#include "support/Interaction.h"

#include <QFileInfo>

namespace StartArguments {

namespace {
const QString EncryptedExtension = QStringLiteral(".zr7");
} // namespace

QStringList Paths(const QStringList& arguments)
{
    QStringList paths;
    bool pathsOnly = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        // "--" ends the options: what follows are paths, also those that begin with "-".
        if (argument == QLatin1String("--") && !pathsOnly) {
            pathsOnly = true;
            continue;
        }
        // An empty argument names nothing; made absolute it would name the working folder.
        paths.append(argument.isEmpty() ? argument : QFileInfo(argument).absoluteFilePath());
    }
    return paths;
}

void Apply(const QStringList& paths, SetupEditor& editor, Interaction& interaction)
{
    if (paths.isEmpty())
        return;
    const QString& path = paths.first();
    if (paths.size() > 1)
        interaction.Tell(QStringLiteral("Start"),
                         QStringLiteral("Only the first of the %1 files and folders given is "
                                        "taken:\n%2")
                             .arg(QString::number(paths.size()), path),
                         Interaction::Icon::Information);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        interaction.Tell(QStringLiteral("Error"), FileResultText::FileNotFoundText(path),
                         Interaction::Icon::Exclamation);
        return;
    }
    if (info.isDir()) {
        editor.UseInputFolder(info.absoluteFilePath());
        editor.UseInputFiles(SetupEditor::FilesChoice::AllFiles, QString());
        editor.SetFunction(true);
        return;
    }
    editor.UseSingleFile(info.absoluteFilePath());
    const Setup& setup = editor.setup();
    const QString& name = setup.strFilespec[Setup::Input];
    // The desktop opens the program's encrypted files by their extension: such a file is to be
    // decrypted, also one too short for its randomness to tell, and to new files its result
    // goes beside it under its name without the extension. A name holding "?" or "*" would be
    // read as a pattern there, and is left for the user to give.
    if (name.endsWith(EncryptedExtension, Qt::CaseInsensitive)) {
        editor.SetFunction(false);
        const QString plain = name.chopped(EncryptedExtension.size());
        const bool literal = !plain.contains(QLatin1Char('*')) && !plain.contains(QLatin1Char('?'));
        if (!setup.blnOutputFilesSame && !plain.isEmpty() && literal)
            editor.UseOutputFiles(SetupEditor::FilesChoice::Specification, plain);
        return;
    }
    editor.SetFunction(!FileSummary::SeemsEncrypted(setup, setup.strDirpath[Setup::Input] + name));
}

} // namespace StartArguments

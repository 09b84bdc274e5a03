#include "SetupCommands.h"

#include "OperationFile.h"
#include "core/FileResultText.h"
#include "core/SetupEditor.h"
#include "support/Interaction.h"

#include <QFileInfo>

namespace {

// `path`, with ".opn" added when its file name has no extension.
QString WithOperationSuffix(const QString& path)
{
    // A name typed bare would be hidden by the Load dialog's "*.opn" filter.
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path +
           (path.endsWith(QLatin1Char('.')) ? QStringLiteral("opn") : QStringLiteral(".opn"));
}

} // namespace

SetupCommands::SetupCommands(SetupEditor& editor, Interaction& interaction)
    : m_editor(editor), m_interaction(interaction)
{
}

QStringList SetupCommands::FilesInUse() const
{
    QStringList files;
    const KeyRecord& key = m_editor.key();
    if (key.intKeySource == KeyRecord::Keyfile)
        files.append(key.strKeyfilePath);
    // A folder's specification names no file, unless a file bears it as its name: then that
    // file is the one a single-file setup reads.
    const Setup& setup = m_editor.setup();
    files.append(setup.strDirpath[Setup::Input] + setup.strFilespec[Setup::Input]);
    return files;
}

bool SetupCommands::Apply(const QString& path)
{
    OperationFileContents contents;
    if (!ReadOperationFile(path, contents))
        return false;
    const KeptSetup& saved = contents.saved;
    // The folders first: the subfolder switch looks at the input folder it will apply to.
    m_editor.UseSides(saved.strDirpath, saved.strFilespec, saved.blnSingleFile);
    m_editor.SetSwitches(saved.blnEncrypt, saved.blnOutputFilesSame, saved.blnSubdirectories);
    m_editor.SetRepairable(saved.blnRepairable);
    return true;
}

bool SetupCommands::Load(const QString& path)
{
    if (path.isEmpty())
        return false;
    if (!QFileInfo::exists(path)) {
        m_interaction.Tell(QStringLiteral("Error when attempting to load setup."),
                           FileResultText::FileNotFoundText(path), Interaction::Icon::Exclamation);
        return false;
    }
    if (!Apply(path)) {
        m_interaction.Tell(QStringLiteral("Error"),
                           QStringLiteral("Error when attempting to load setup from file ") + path +
                               QLatin1Char('!'),
                           Interaction::Icon::Exclamation);
        return false;
    }
    m_editor.KeepSetup();
    m_editor.SetSetupFilename(path);
    return true;
}

bool SetupCommands::SaveForNextRun()
{
    const QString& path = m_editor.setup().strDefaultOperationFile;
    if (!path.isEmpty() && WriteOperationFile(path, m_editor.setup(), FilesInUse()))
        return true;
    m_interaction.Tell(QStringLiteral("Error"), QStringLiteral("Cannot save setup!"),
                       Interaction::Icon::Exclamation);
    return false;
}

bool SetupCommands::SaveAs(const QString& typed)
{
    const QString path = WithOperationSuffix(typed);
    if (path.isEmpty())
        return false;
    // A link that leads nowhere is still a name the user would lose.
    const QFileInfo existing(path);
    if ((existing.exists() || existing.isSymLink()) &&
        m_interaction.Ask(QStringLiteral("File exists"),
                          QStringLiteral("Overwrite existing file ") + path + QLatin1Char('?'),
                          Interaction::Yes | Interaction::No | Interaction::Cancel,
                          Interaction::No) != Interaction::Yes)
        return false;
    if (!WriteOperationFile(path, m_editor.setup(), FilesInUse())) {
        m_interaction.Tell(QStringLiteral("Error"),
                           QStringLiteral("Cannot save setup in operation file ") + path +
                               QLatin1Char('!'),
                           Interaction::Icon::Exclamation);
        m_editor.SetSetupFilename(QString());
        return false;
    }
    m_editor.SetSetupFilename(path);
    return true;
}

void SetupCommands::Clear()
{
    m_editor.ClearSetup();
}

void SetupCommands::Restore()
{
    m_editor.RestoreSetup();
}

void SetupCommands::ToggleRepairable()
{
    m_editor.ToggleRepairable();
}

bool SetupCommands::Repairable() const
{
    return m_editor.setup().blnRepairable;
}

void SetupCommands::LoadAtStartUp()
{
    const QString& path = m_editor.setup().strDefaultOperationFile;
    // A missing or unreadable default file is no error: the program starts with the start
    // values, which the three toggles bring into force and show.
    if (path.isEmpty() || !Apply(path)) {
        const Setup& setup = m_editor.setup();
        m_editor.UseSides(setup.strDirpath, setup.strFilespec, setup.blnSingleFile);
        m_editor.SetSwitches(true, false, false);
    }
    m_editor.KeepSetup();
}

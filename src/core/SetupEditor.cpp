#include "SetupEditor.h"

#include "SetupView.h"
#include "files/StrProc.h"
#include "files/folder.h"
#include "support/DiskProc.h"
#include "support/Interaction.h"

#include <QFileInfo>

namespace {

QString WithSlash(QString folder)
{
    StrProc::EnsureTrailingBackslash(folder);
    return folder;
}

} // namespace

SetupEditor::SetupEditor(Interaction& interaction) : m_interaction(interaction) {}

void SetupEditor::Changed()
{
    SetSetupFilename(QString());
}

void SetupEditor::SetSetupFilename(const QString& path)
{
    m_setupFilename = path;
    if (m_view)
        m_view->SetupFilenameChanged(path);
}

void SetupEditor::SideChanged(int side)
{
    if (m_view)
        m_view->SideChanged(side);
}

void SetupEditor::SetStartUpDefaults(const QString& specifiedWord, const QString& notSpecifiedWord,
                                     const QString& defaultOperationFile)
{
    m_setup.SetStartUpDefaults();
    m_setup.strSpecifiedWord = specifiedWord;
    m_setup.strNotSpecifiedWord = notSpecifiedWord;
    m_setup.strDefaultOperationFile = defaultOperationFile;
}

void SetupEditor::ToggleFunction()
{
    SetFunction(!m_setup.blnEncrypt);
}

void SetupEditor::SetFunction(bool encrypt)
{
    m_setup.blnEncrypt = encrypt;
    if (m_view)
        m_view->FunctionChanged();
    Changed();
}

void SetupEditor::ToggleSubdirectories()
{
    SetSubdirectories(!m_setup.blnSubdirectories);
}

void SetupEditor::SetSubdirectories(bool included)
{
    const QString input = m_setup.strDirpath[Setup::Input];
    if (!input.isEmpty()) {
        QString errorText;
        int errorNumber = 0;
        const qint64 count = folder::CountSubfolders(input, errorText, errorNumber);
        if (count < 0) {
            if (DiskProc::DriveUsable(input))
                m_interaction.Tell(QStringLiteral("Error"),
                                   QStringLiteral("Error when attempting to access ") + input +
                                       QLatin1Char('.'),
                                   Interaction::Icon::Exclamation);
            // The folder is gone: the side that names it goes too.
            const bool outputToo =
                input == m_setup.strDirpath[Setup::Output] || m_setup.blnOutputFilesSame;
            m_setup.strDirpath[Setup::Input].clear();
            m_setup.strFilespec[Setup::Input].clear();
            SideChanged(Setup::Input);
            if (outputToo) {
                m_setup.strDirpath[Setup::Output].clear();
                m_setup.strFilespec[Setup::Output].clear();
                SideChanged(Setup::Output);
            }
            return;
        }
        if (count == 0) {
            m_setup.blnSubdirectories = false;
            if (m_view)
                m_view->SubdirectoriesChanged(false);
            return;
        }
    }
    m_setup.blnSubdirectories = included;
    if (m_view)
        m_view->SubdirectoriesChanged(true);
    // With subfolders, the output files are the input files.
    if (m_setup.blnSubdirectories)
        SetOutputFilesSame(true);
    Changed();
}

void SetupEditor::SetSubdirectoriesOnly(bool included)
{
    m_setup.blnSubdirectories = included;
}

void SetupEditor::SetRepairable(bool repairable)
{
    m_setup.blnRepairable = repairable;
    if (m_view)
        m_view->RepairableChanged();
    Changed();
}

void SetupEditor::ToggleOutputFilesSame()
{
    SetOutputFilesSame(!m_setup.blnOutputFilesSame);
}

void SetupEditor::SetOutputFilesSame(bool same)
{
    m_setup.blnOutputFilesSame = same;
    if (m_view)
        m_view->OutputFilesSameChanged();
    if (m_setup.blnOutputFilesSame) {
        m_setup.SynchroniseOutputSide();
        SideChanged(Setup::Input);
        SideChanged(Setup::Output);
    }
    Changed();
}

void SetupEditor::SetSwitches(bool encrypt, bool outputFilesSame, bool subdirectories)
{
    SetFunction(encrypt);
    SetOutputFilesSame(outputFilesSame);
    SetSubdirectories(subdirectories);
}

void SetupEditor::ShowSubfolderRow()
{
    QString error;
    int number = 0;
    const bool has = folder::CountSubfolders(m_setup.strDirpath[Setup::Input], error, number) != 0;
    if (m_view)
        m_view->SubdirectoriesChanged(has);
}

void SetupEditor::UseSingleFile(const QString& path)
{
    const QFileInfo info(folder::SingleFilePath(path));
    m_setup.strDirpath[Setup::Input] = WithSlash(info.absolutePath());
    m_setup.strFilespec[Setup::Input] = info.fileName();
    m_setup.blnSingleFile = true;
    m_setup.strFilespec[Setup::Output] = m_setup.blnOutputFilesSame ? info.fileName() : QString();
    m_setup.strDirpath[Setup::Output] = m_setup.strDirpath[Setup::Input];
    m_setup.blnSubdirectories = false;
    ShowSubfolderRow();
    Changed();
    SideChanged(Setup::Input);
    SideChanged(Setup::Output);
}

void SetupEditor::UseInputFolder(const QString& chosen)
{
    m_setup.strDirpath[Setup::Input] = WithSlash(chosen);
    SideChanged(Setup::Input);
    if (m_setup.strDirpath[Setup::Output].isEmpty()) {
        m_setup.strDirpath[Setup::Output] = m_setup.strDirpath[Setup::Input];
        SideChanged(Setup::Output);
    }
    if (m_setup.blnOutputFilesSame) {
        m_setup.SynchroniseOutputSide();
        SideChanged(Setup::Output);
    }
    m_setup.blnSubdirectories = false;
    ShowSubfolderRow();
    Changed();
}

bool SetupEditor::CheckInputFolder(const QString& spec)
{
    return CheckInputFolder(m_setup.strDirpath[Setup::Input], NameFilter(spec), m_interaction);
}

bool SetupEditor::CheckInputFolder(const QString& folderPath, const NameFilter& filter,
                                   Interaction& interaction, qint64* matchingFiles)
{
    QString error;
    int number = 0;
    const qint64 files = folder::CountMatchingFiles(folderPath, filter, error, &interaction);
    const qint64 subfolders = files < 0 ? -1 : folder::CountSubfolders(folderPath, error, number);
    if (matchingFiles)
        *matchingFiles = files;
    if (files < 0 || subfolders < 0) {
        interaction.Tell(QStringLiteral("Error"), QStringLiteral("Cannot access the input folder."),
                         Interaction::Icon::Critical);
        return false;
    }
    if (files != 0 || subfolders != 0)
        return true;
    interaction.Tell(QStringLiteral("Empty folder"),
                     (filter.selectsAll()
                          ? QStringLiteral("The input folder contains no files ")
                          : QStringLiteral("The input folder contains no matching files ")) +
                         QStringLiteral("and no subfolders."),
                     Interaction::Icon::Exclamation);
    return false;
}

void SetupEditor::UseInputFiles(FilesChoice choice, const QString& text)
{
    switch (choice) {
    case FilesChoice::AllFiles:
        m_setup.strFilespec[Setup::Input] = QStringLiteral("*.*");
        m_setup.strFilespec[Setup::Output] = QStringLiteral("*.*");
        break;
    case FilesChoice::Extension:
        m_setup.strFilespec[Setup::Input] = QStringLiteral("*.") + text;
        break;
    case FilesChoice::Specification:
    case FilesChoice::PickedFile:
        m_setup.strFilespec[Setup::Input] = text;
        break;
    }
    m_setup.blnSingleFile = choice == FilesChoice::PickedFile;
    Changed();
    SideChanged(Setup::Input);
    // Both sides naming the same folder and files: the operation works in place.
    if (m_setup.blnOutputFilesSame)
        m_setup.SynchroniseOutputSide();
    else if (m_setup.strFilespec[Setup::Input] == m_setup.strFilespec[Setup::Output] &&
             m_setup.strDirpath[Setup::Input] == m_setup.strDirpath[Setup::Output])
        m_setup.blnOutputFilesSame = true;
    if (m_view)
        m_view->OutputFilesSameChanged();
    SideChanged(Setup::Output);
    CheckInputFolder(m_setup.strDirpath[Setup::Input], m_setup.Filter(Setup::Input), m_interaction);
}

bool SetupEditor::RefuseWhileOutputSame(const QString& title)
{
    if (!m_setup.blnOutputFilesSame)
        return false;
    m_interaction.Tell(title,
                       QStringLiteral("Currently output files are specified as the same as the "
                                      "input files."),
                       Interaction::Icon::None);
    return true;
}

void SetupEditor::UseOutputFolder(const QString& chosen)
{
    m_setup.strDirpath[Setup::Output] = WithSlash(chosen);
    SideChanged(Setup::Output);
    Changed();
}

void SetupEditor::UseOutputFiles(FilesChoice choice, const QString& text)
{
    const QString& input = m_setup.strFilespec[Setup::Input];
    QString& output = m_setup.strFilespec[Setup::Output];
    if (choice == FilesChoice::Extension) {
        // A single input name keeps its own name with the new extension.
        if (!input.isEmpty() && !m_setup.Filter(Setup::Input).isPattern()) {
            const qsizetype dot = input.lastIndexOf(QLatin1Char('.'));
            output = (dot < 0 ? input + QLatin1Char('.') : input.left(dot + 1)) + text;
        } else {
            output = QStringLiteral("*.") + text;
        }
    } else {
        output = choice == FilesChoice::AllFiles ? QStringLiteral("*.*") : text;
    }
    SideChanged(Setup::Output);
    Changed();
}

void SetupEditor::UseSides(const std::array<QString, 2>& folders,
                           const std::array<QString, 2>& specs, bool singleFile)
{
    m_setup.strDirpath = folders;
    m_setup.strFilespec = specs;
    m_setup.blnSingleFile = singleFile;
    SideChanged(Setup::Input);
    SideChanged(Setup::Output);
}

void SetupEditor::KeepSetup()
{
    m_kept = m_setup.Keep();
}

void SetupEditor::RestoreSetup()
{
    const KeptSetup kept = m_kept;
    // Restoring a setup is not loading a file: the label stays as it was.
    const QString label = m_setupFilename;
    m_setup.blnConfirmFiles = kept.blnConfirmFiles;
    UseSides(kept.strDirpath, kept.strFilespec, kept.blnSingleFile);
    SetSwitches(kept.blnEncrypt, kept.blnOutputFilesSame, kept.blnSubdirectories);
    SetRepairable(kept.blnRepairable);
    ClearKey();
    SetSetupFilename(label);
}

void SetupEditor::ClearSetup()
{
    KeepSetup();
    UseSides({}, {});
    SetSwitches(true, false, false);
    SetRepairable(false);
    ClearKey();
    SetSetupFilename(QString());
}

void SetupEditor::ClearKey()
{
    m_key.EraseKey();
    m_key.intKeySource = KeyRecord::NotSpecified;
    if (m_view)
        m_view->KeyCleared();
}

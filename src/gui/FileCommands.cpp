#include "FileCommands.h"

#include "FolderChooser.h"
#include "Twips.h"
#include "core/Interaction.h"
#include "core/TxtEncDec.h"
#include "files/StrProc.h"
#include "files/folder.h"
#include "frmMain.h"
#include "frmSpecifyInputFiles.h"
#include "frmSpecifyOutputFiles.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <optional>

namespace {

std::optional<QString>& NextFileName()
{
    static std::optional<QString> next;
    return next;
}

QString WithSlash(QString folder)
{
    StrProc::EnsureTrailingBackslash(folder);
    return folder;
}

} // namespace

FileCommands::FileCommands(frmMain& main, Interaction& interaction)
    : m_main(main), m_interaction(interaction)
{
}

void FileCommands::SetNextFileName(const QString& path)
{
    NextFileName() = path;
}

void FileCommands::SingleFile()
{
    QString path;
    if (NextFileName()) {
        path = *NextFileName();
        NextFileName().reset();
    } else {
        path = QFileDialog::getOpenFileName(
            &m_main,
            QStringLiteral("Specify file to be ") +
                TxtEncDec(QStringLiteral("encrypted"), m_main.setup().blnEncrypt),
            QString(), QStringLiteral("All files (*)"));
    }
    m_main.SetClickGuard();
    if (!path.isEmpty())
        UseSingleFile(path);
}

void FileCommands::UseSingleFile(const QString& path)
{
    Setup& setup = m_main.setup();
    const QFileInfo info(folder::SingleFilePath(path));
    setup.strDirpath[Setup::Input] = WithSlash(info.absolutePath());
    setup.strFilespec[Setup::Input] = info.fileName();
    setup.strFilespec[Setup::Output] = setup.blnOutputFilesSame ? info.fileName() : QString();
    setup.strDirpath[Setup::Output] = setup.strDirpath[Setup::Input];
    setup.blnSubdirectories = false;
    ShowSubfolderRow(setup.strDirpath[Setup::Input]);
    m_main.SetupChanged();
    m_main.RefreshSide(Setup::Input);
    m_main.RefreshSide(Setup::Output);
}

void FileCommands::ShowSubfolderRow(const QString& folder)
{
    QString error;
    int number = 0;
    if (folder::CountSubfolders(folder, error, number) == 0)
        m_main.ShowNoSubfolders();
    else
        m_main.ShowSubdirectories();
}

void FileCommands::InputFolder()
{
    const QString chosen =
        FolderChooser::BrowseForFolder(&m_main, QStringLiteral("Specify input folder"));
    if (!chosen.isEmpty())
        UseInputFolder(chosen);
}

void FileCommands::UseInputFolder(const QString& chosen)
{
    Setup& setup = m_main.setup();
    setup.strDirpath[Setup::Input] = WithSlash(chosen);
    m_main.RefreshSide(Setup::Input);
    if (setup.strDirpath[Setup::Output].isEmpty()) {
        setup.strDirpath[Setup::Output] = setup.strDirpath[Setup::Input];
        m_main.RefreshSide(Setup::Output);
    }
    if (setup.blnOutputFilesSame) {
        setup.SynchroniseOutputSide();
        m_main.RefreshSide(Setup::Output);
    }
    setup.blnSubdirectories = false;
    ShowSubfolderRow(setup.strDirpath[Setup::Input]);
    m_main.SetupChanged();
}

bool FileCommands::CheckInputFolder(const QString& spec)
{
    const QString folderPath = m_main.setup().strDirpath[Setup::Input];
    QString error;
    int number = 0;
    const qint64 files = folder::CountMatchingFiles(folderPath, spec, error, &m_interaction);
    const qint64 subfolders = folder::CountSubfolders(folderPath, error, number);
    if (files < 0 || subfolders < 0) {
        m_interaction.Tell(QStringLiteral("Error"),
                           QStringLiteral("Cannot access the input folder."),
                           Interaction::Icon::Critical);
        return false;
    }
    if (files != 0 || subfolders != 0)
        return true;
    m_interaction.Tell(QStringLiteral("Empty folder"),
                       (spec == QLatin1String("*.*")
                            ? QStringLiteral("The input folder contains no files ")
                            : QStringLiteral("The input folder contains no matching files ")) +
                           QStringLiteral("and no subfolders."),
                       Interaction::Icon::Exclamation);
    return false;
}

void FileCommands::InputFiles()
{
    Setup& setup = m_main.setup();
    if (setup.strDirpath[Setup::Input].isEmpty()) {
        m_interaction.Tell(QStringLiteral("Folder unspecified"),
                           QStringLiteral("The input folder has not been specified."),
                           Interaction::Icon::Exclamation);
        return;
    }
    if (!CheckInputFolder(QStringLiteral("*.*")))
        return;
    QString error;
    setup.intNumFiles =
        folder::CountMatchingFiles(setup.strDirpath[Setup::Input], QStringLiteral("*.*"), error);
    if (m_inputDialog == nullptr)
        m_inputDialog = new frmSpecifyInputFiles(&m_main, m_interaction);
    const QPoint menu = m_main.fraMenu->mapTo(&m_main, QPoint());
    m_inputDialog->move(
        m_main.geometry().topLeft() +
        QPoint(m_main.fraMenu->width() + Twips::ToPixels(250), menu.y() + Twips::ToPixels(1030)));
    const FileChoiceResult result =
        m_inputDialog->Run(setup.strDirpath[Setup::Input], setup.blnEncrypt, setup.intNumFiles);
    if (!result.blnAccept)
        return;
    switch (result.choice) {
    case Choice::AllFiles:
        setup.strFilespec[Setup::Input] = QStringLiteral("*.*");
        setup.strFilespec[Setup::Output] = QStringLiteral("*.*");
        break;
    case Choice::Extension:
        setup.strFilespec[Setup::Input] = QStringLiteral("*.") + result.text;
        break;
    default:
        setup.strFilespec[Setup::Input] = result.text;
        break;
    }
    m_main.SetupChanged();
    m_main.RefreshSide(Setup::Input);
    if (setup.blnOutputFilesSame)
        setup.SynchroniseOutputSide();
    else if (OutputSameTest())
        setup.blnOutputFilesSame = true;
    m_main.ShowOutputFilesSame();
    m_main.RefreshSide(Setup::Output);
    CheckInputFolder(setup.strFilespec[Setup::Input]);
}

// Both sides name the same folder and files: the operation works in place.
bool FileCommands::OutputSameTest()
{
    const Setup& setup = m_main.setup();
    return setup.strFilespec[Setup::Input] == setup.strFilespec[Setup::Output] &&
           setup.strDirpath[Setup::Input] == setup.strDirpath[Setup::Output];
}

bool FileCommands::RefuseWhileOutputSame(const QString& title)
{
    if (!m_main.setup().blnOutputFilesSame)
        return false;
    m_interaction.Tell(title,
                       QStringLiteral("Currently output files are specified as the same as the "
                                      "input files."),
                       Interaction::Icon::None);
    return true;
}

void FileCommands::OutputFolder()
{
    if (RefuseWhileOutputSame(QStringLiteral("Specify output folder")))
        return;
    const QString chosen =
        FolderChooser::BrowseForFolder(&m_main, QStringLiteral("Specify output folder"));
    if (chosen.isEmpty())
        return;
    m_main.setup().strDirpath[Setup::Output] = WithSlash(chosen);
    m_main.RefreshSide(Setup::Output);
    m_main.SetupChanged();
}

void FileCommands::OutputFiles()
{
    Setup& setup = m_main.setup();
    if (setup.strDirpath[Setup::Output].isEmpty()) {
        m_interaction.Tell(QStringLiteral("Folder unspecified"),
                           QStringLiteral("The output folder has not been specified."),
                           Interaction::Icon::Exclamation);
        return;
    }
    if (RefuseWhileOutputSame(QStringLiteral("Specify output files")))
        return;
    QString error;
    setup.intNumFiles =
        folder::CountMatchingFiles(setup.strDirpath[Setup::Output], QStringLiteral("*.*"), error);
    if (m_outputDialog == nullptr)
        m_outputDialog = new frmSpecifyOutputFiles(&m_main, m_interaction);
    const QPoint menu = m_main.fraMenu->mapTo(&m_main, QPoint());
    const QRect main = m_main.geometry();
    m_outputDialog->move(main.left() + main.width() - m_outputDialog->width() -
                             Twips::ToPixels(130),
                         main.top() + menu.y() + Twips::ToPixels(330));
    const FileChoiceResult result =
        m_outputDialog->Run(setup.strDirpath[Setup::Output], setup.blnEncrypt, setup.intNumFiles);
    if (!result.blnAccept)
        return;
    const QString& input = setup.strFilespec[Setup::Input];
    if (result.choice == Choice::Extension) {
        if (!input.isEmpty() && !StrProc::HasWildcards(input)) {
            const qsizetype dot = input.lastIndexOf(QLatin1Char('.'));
            setup.strFilespec[Setup::Output] =
                (dot < 0 ? input + QLatin1Char('.') : input.left(dot + 1)) + result.text;
        } else {
            setup.strFilespec[Setup::Output] = QStringLiteral("*.") + result.text;
        }
    } else {
        setup.strFilespec[Setup::Output] = result.text;
    }
    m_main.RefreshSide(Setup::Output);
    m_main.SetupChanged();
}

void FileCommands::Drop(const QStringList& paths)
{
    if (paths.size() != 1) {
        m_interaction.Tell(QStringLiteral("Drop"),
                           QStringLiteral("Drop one file or one folder on the window."),
                           Interaction::Icon::Information);
        return;
    }
    const QFileInfo info(paths.first());
    if (info.isDir())
        UseInputFolder(info.absoluteFilePath());
    else if (info.isFile())
        UseSingleFile(info.absoluteFilePath());
}

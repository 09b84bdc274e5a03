#include "FileCommands.h"

#include "CommandWindow.h"
#include "FileDialog.h"
#include "FolderChooser.h"
#include "Twips.h"
#include "core/SetupEditor.h"
#include "files/NameBytes.h"
#include "files/folder.h"
#include "frmSpecifyInputFiles.h"
#include "frmSpecifyOutputFiles.h"
#include "support/Interaction.h"
#include "support/TxtEncDec.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QMainWindow>
#include <QUrl>

namespace {

// The two forms TxtEncDec gives for the single file's dialog title, for lupdate: the English
// word is switched first and translated afterwards.
[[maybe_unused]] constexpr const char* FileWords[] = {
    QT_TRANSLATE_NOOP("FileCommands", "encrypted"), QT_TRANSLATE_NOOP("FileCommands", "decrypted")};

} // namespace

FileCommands::FileCommands(CommandWindow& window, SetupEditor& editor, Interaction& interaction)
    : m_window(window), m_editor(editor), m_interaction(interaction)
{
}

void FileCommands::SingleFile()
{
    const QString path = FileDialog::getOpenFileName(
        &m_window.mainWindow(),
        QCoreApplication::translate("FileCommands", "Specify file to be ") +
            QCoreApplication::translate(
                "FileCommands", TxtEncDec(QStringLiteral("encrypted"), m_editor.setup().blnEncrypt)
                                    .toLatin1()
                                    .constData()),
        QCoreApplication::translate("FileCommands", "All files (*)"));
    m_window.SetClickGuard();
    if (!path.isEmpty())
        m_editor.UseSingleFile(path);
}

void FileCommands::InputFolder()
{
    const QString chosen = FolderChooser::BrowseForFolder(
        &m_window.mainWindow(),
        QCoreApplication::translate("FileCommands", "Specify input folder"));
    if (!chosen.isEmpty())
        m_editor.UseInputFolder(chosen);
}

void FileCommands::InputFiles()
{
    SetupEditor& editor = m_editor;
    const Setup& setup = editor.setup();
    if (setup.strDirpath[Setup::Input].isEmpty()) {
        m_interaction.Tell(
            QCoreApplication::translate("FileCommands", "Folder unspecified"),
            QCoreApplication::translate("FileCommands", "The input folder has not been specified."),
            Interaction::Icon::Exclamation);
        return;
    }
    if (!editor.CheckInputFolder(QStringLiteral("*.*")))
        return;
    QString error;
    const qint64 files =
        folder::CountMatchingFiles(setup.strDirpath[Setup::Input], QStringLiteral("*.*"), error);
    if (m_inputDialog == nullptr)
        m_inputDialog = new frmSpecifyInputFiles(&m_window.mainWindow(), m_interaction);
    const QMainWindow& main = m_window.mainWindow();
    const QWidget& frame = m_window.commandFrame();
    const QPoint menu = frame.mapTo(&main, QPoint());
    m_inputDialog->move(main.geometry().topLeft() + QPoint(frame.width() + Twips::ToPixels(250),
                                                           menu.y() + Twips::ToPixels(1030)));
    const FileChoiceResult result =
        m_inputDialog->Run(setup.strDirpath[Setup::Input], setup.blnEncrypt, files);
    if (!result.blnAccept)
        return;
    using Files = SetupEditor::FilesChoice;
    editor.UseInputFiles(result.choice == Choice::AllFiles     ? Files::AllFiles
                         : result.choice == Choice::Extension  ? Files::Extension
                         : result.choice == Choice::SingleFile ? Files::PickedFile
                                                               : Files::Specification,
                         result.text);
}

void FileCommands::OutputFolder()
{
    if (m_editor.RefuseWhileOutputSame(
            QCoreApplication::translate("FileCommands", "Specify output folder")))
        return;
    const QString chosen = FolderChooser::BrowseForFolder(
        &m_window.mainWindow(),
        QCoreApplication::translate("FileCommands", "Specify output folder"));
    if (!chosen.isEmpty())
        m_editor.UseOutputFolder(chosen);
}

void FileCommands::OutputFiles()
{
    SetupEditor& editor = m_editor;
    const Setup& setup = editor.setup();
    if (setup.strDirpath[Setup::Output].isEmpty()) {
        m_interaction.Tell(QCoreApplication::translate("FileCommands", "Folder unspecified"),
                           QCoreApplication::translate("FileCommands",
                                                       "The output folder has not been specified."),
                           Interaction::Icon::Exclamation);
        return;
    }
    if (editor.RefuseWhileOutputSame(
            QCoreApplication::translate("FileCommands", "Specify output files")))
        return;
    QString error;
    const qint64 files =
        folder::CountMatchingFiles(setup.strDirpath[Setup::Output], QStringLiteral("*.*"), error);
    if (m_outputDialog == nullptr)
        m_outputDialog = new frmSpecifyOutputFiles(&m_window.mainWindow(), m_interaction);
    const QPoint menu = m_window.commandFrame().mapTo(&m_window.mainWindow(), QPoint());
    const QRect main = m_window.mainWindow().geometry();
    m_outputDialog->move(main.left() + main.width() - m_outputDialog->width() -
                             Twips::ToPixels(130),
                         main.top() + menu.y() + Twips::ToPixels(330));
    const FileChoiceResult result =
        m_outputDialog->Run(setup.strDirpath[Setup::Output], setup.blnEncrypt, files);
    if (!result.blnAccept)
        return;
    editor.UseOutputFiles(result.choice == Choice::Extension
                              ? SetupEditor::FilesChoice::Extension
                              : SetupEditor::FilesChoice::Specification,
                          result.text);
}

void FileCommands::DropUrls(const QList<QUrl>& urls)
{
    QStringList paths;
    for (const QUrl& url : urls) {
        const QByteArray name =
            QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
        if (url.isLocalFile() && !NameBytes::IsReadable(name)) {
            m_interaction.Tell(QCoreApplication::translate("FileCommands", "Drop"),
                               QCoreApplication::translate("FileCommands", "The name of ") +
                                   NameBytes::Escaped(name) +
                                   QCoreApplication::translate(
                                       "FileCommands", " is not valid UTF-8, so the program "
                                                       "cannot open it. Rename it to use it."),
                               Interaction::Icon::Exclamation);
            return;
        }
        paths.append(url.toLocalFile());
    }
    Drop(paths);
}

void FileCommands::Drop(const QStringList& paths)
{
    if (paths.size() != 1) {
        m_interaction.Tell(QCoreApplication::translate("FileCommands", "Drop"),
                           QCoreApplication::translate(
                               "FileCommands", "Drop one file or one folder on the window."),
                           Interaction::Icon::Information);
        return;
    }
    const QFileInfo info(paths.first());
    if (info.isDir())
        m_editor.UseInputFolder(info.absoluteFilePath());
    else if (info.isFile())
        m_editor.UseSingleFile(info.absoluteFilePath());
}

#pragma once

#include <QString>
#include <QStringList>

class CommandWindow;
class Interaction;
class QUrl;
class SetupEditor;
class frmSpecifyInputFiles;
class frmSpecifyOutputFiles;

// The main window's commands that choose files and folders: Single file, Input folder, Input
// file(s), Output folder, Output file(s), and dropping a file or folder on the window. They
// show the dialogs; the setup editor applies the choices.
class FileCommands
{
public:
    FileCommands(CommandWindow& window, SetupEditor& editor, Interaction& interaction);

    void SingleFile();
    void InputFolder();
    void InputFiles();
    void OutputFolder();
    void OutputFiles();
    // One dropped file acts as Single file with it, one folder as Input folder with it.
    void Drop(const QStringList& paths);
    // The same for what was dropped on the window. A file whose name is not valid UTF-8
    // cannot be opened by name: the user is told so instead of nothing happening.
    void DropUrls(const QList<QUrl>& urls);

private:
    CommandWindow& m_window;
    SetupEditor& m_editor;
    Interaction& m_interaction;
    frmSpecifyInputFiles* m_inputDialog = nullptr;
    frmSpecifyOutputFiles* m_outputDialog = nullptr;
};

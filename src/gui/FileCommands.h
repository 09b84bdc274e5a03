#pragma once

#include <QString>
#include <QStringList>

class Interaction;
class frmMain;
class frmSpecifyInputFiles;
class frmSpecifyOutputFiles;

// The main window's commands that choose files and folders: Single file, Input folder, Input
// file(s), Output folder, Output file(s), and dropping a file or folder on the window. They
// write the setup, keep the two sides consistent and refresh the summary.
class FileCommands
{
public:
    FileCommands(frmMain& main, Interaction& interaction);

    void SingleFile();
    void InputFolder();
    void InputFiles();
    void OutputFolder();
    void OutputFiles();
    // One dropped file acts as Single file with it, one folder as Input folder with it.
    void Drop(const QStringList& paths);

    // True when the input folder can be read and holds a matching file or a subfolder;
    // otherwise says why.
    bool CheckInputFolder(const QString& spec);

    // The next Single file dialog returns `path` without showing anything ("" cancels).
    static void SetNextFileName(const QString& path);

private:
    void UseSingleFile(const QString& path);
    void UseInputFolder(const QString& folder);
    void ShowSubfolderRow(const QString& folder);
    bool OutputSameTest();
    bool RefuseWhileOutputSame(const QString& title);

    frmMain& m_main;
    Interaction& m_interaction;
    frmSpecifyInputFiles* m_inputDialog = nullptr;
    frmSpecifyOutputFiles* m_outputDialog = nullptr;
};

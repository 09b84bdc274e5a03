#pragma once

#include "Setup.h"
#include "keys/KeyRecord.h"

#include <QString>

class Interaction;
class SetupView;

// The setup of the running program and every rule that changes it: the three switches, the
// single file, the input and output folders and files, the input-folder check, keep, restore
// and clear. The main window shows it through SetupView and lays out widgets only; the command
// line builds its setup through it too; tests drive it without widgets. Messages go through
// the interaction.
class SetupEditor
{
public:
    explicit SetupEditor(Interaction& interaction);

    // Without a view, changes are made and nothing is shown.
    void SetView(SetupView* view) { m_view = view; }

    const Setup& setup() const { return m_setup; }
    KeyRecord& key() { return m_key; }
    const KeyRecord& key() const { return m_key; }
    const KeptSetup& keptSetup() const { return m_kept; }
    const QString& setupFilename() const { return m_setupFilename; }

    // Start-up, before the operation file: the start values, the words shown for a specified
    // and a missing part of the setup, and the operation file kept for the next run.
    void SetStartUpDefaults(const QString& specifiedWord, const QString& notSpecifiedWord,
                            const QString& defaultOperationFile);

    // The three switches, as a left-button release on their commands performs them.
    void ToggleFunction();
    void ToggleSubdirectories();
    void ToggleOutputFilesSame();
    // Encryption or decryption, as the function command sets it.
    void SetFunction(bool encrypt);
    // Output files same as input files, on or off, as the command sets it: on, the output side
    // takes the input side.
    void SetOutputFilesSame(bool same);
    // Brings the switches to these values the way a saved setup does, in the order function,
    // output files same, subfolders, each as its command sets it.
    void SetSwitches(bool encrypt, bool outputFilesSame, bool subdirectories);
    // The subfolder switch alone, with no check of the input folder and the output side left
    // as it is: subfolders asked for with a separate output stay so, for the launch to refuse.
    void SetSubdirectoriesOnly(bool included);
    // Whether encryptions write repairable files (see Setup::blnRepairable).
    void SetRepairable(bool repairable);
    void ToggleRepairable() { SetRepairable(!m_setup.blnRepairable); }

    // One file: its folder is the input folder, its name the input specification (a link is
    // the file it leads to).
    void UseSingleFile(const QString& path);
    void UseInputFolder(const QString& folder);
    // True when the input folder can be read and holds a file matching `spec` or a subfolder;
    // otherwise says why.
    bool CheckInputFolder(const QString& spec);
    // The same for any folder and the names `filter` selects; `matchingFiles`, when given,
    // receives the count of files.
    static bool CheckInputFolder(const QString& folderPath, const NameFilter& filter,
                                 Interaction& interaction, qint64* matchingFiles = nullptr);
    // The input files dialog's choice: every file, files with one extension, a name or
    // pattern, or one file picked from the folder's list (its name alone, whatever it holds).
    enum class FilesChoice { AllFiles, Extension, Specification, PickedFile };
    void UseInputFiles(FilesChoice choice, const QString& text);
    // True (with a message titled `title`) while the output files are the input files.
    bool RefuseWhileOutputSame(const QString& title);
    void UseOutputFolder(const QString& folder);
    void UseOutputFiles(FilesChoice choice, const QString& text);
    // Both folders and specifications at once, as a saved setup or the command line gives them;
    // `singleFile` tells that the input specification is the name of one picked file.
    void UseSides(const std::array<QString, 2>& folders, const std::array<QString, 2>& specs,
                  bool singleFile = false);

    // Copies the setup into the kept setup.
    void KeepSetup();
    // The kept switches and sides come back; the key becomes not specified.
    void RestoreSetup();
    // Keeps the setup, then: encrypt, not in place, no subfolders, plain (not repairable)
    // files, both sides empty, no key, no operation file.
    void ClearSetup();
    void ClearKey();
    void SetSetupFilename(const QString& path);

private:
    // Subfolders on or off: an input folder that cannot be read is cleared, one without
    // subfolders turns them off; with subfolders the output files are the input files.
    void SetSubdirectories(bool included);
    void SideChanged(int side);
    void Changed();
    void ShowSubfolderRow();

    Interaction& m_interaction;
    SetupView* m_view = nullptr;
    Setup m_setup;
    KeyRecord m_key;
    KeptSetup m_kept;
    QString m_setupFilename;
};

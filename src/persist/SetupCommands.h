#pragma once

#include <QString>
#include <QStringList>

class Interaction;
class SetupEditor;

// The commands of the Setup button: load, save for the next run, save as an operation file,
// clear and restore, repairable files on or off, and the load of the default operation file at
// start-up. The window asks for the file names and shows the menus; an empty path means the
// user cancelled the file dialog, and then nothing happens. Messages go through the
// interaction.
class SetupCommands
{
public:
    SetupCommands(SetupEditor& editor, Interaction& interaction);

    // "Load setup": the saved switches and sides come in as a user's clicks would set them,
    // the setup is kept and the label shows `path`. The key in force stays. False, with a
    // message, when the file is missing or cannot be read.
    bool Load(const QString& path);
    // "Save setup for next run": the default operation file.
    bool SaveForNextRun();
    // "Save setup as operation file": an existing file is replaced only when the user says
    // Yes, and never when it is the keyfile in use or the input file. The label shows `path` after
    // a save and is emptied after a failed one. A name without an extension gets ".opn", and
    // the question and the label then speak of that name.
    bool SaveAs(const QString& typed);
    void Clear();
    void Restore();
    // "Repairable files": encryptions write repairable files from now on, or no longer.
    void ToggleRepairable();
    bool Repairable() const;
    // Start-up: the default operation file, when there is one that can be read, brings its
    // switches and sides; without it the switches take their start values. Either way the
    // switches' labels and both summaries are shown, and the setup is kept.
    void LoadAtStartUp();

private:
    // The saved setup of `path` put into force; false when the file cannot be read.
    bool Apply(const QString& path);
    // The keyfile in use and a single input file: a save never replaces them.
    QStringList FilesInUse() const;

    SetupEditor& m_editor;
    Interaction& m_interaction;
};

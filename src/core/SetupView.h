#pragma once

#include <QString>

// What shows the setup: the main window, or nothing at all on the command line. The setup
// editor tells it what changed; it rebuilds only that part.
class SetupView
{
public:
    virtual ~SetupView() = default;

    // Encrypt or decrypt: the function labels, the key button's caption, the hint line.
    virtual void FunctionChanged() = 0;
    // The subfolder row; `inputHasSubfolders` false says that there are none to include.
    virtual void SubdirectoriesChanged(bool inputHasSubfolders) = 0;
    virtual void OutputFilesSameChanged() = 0;
    // Repairable files on or off: what the function line says of the files an encryption writes.
    virtual void RepairableChanged() = 0;
    // A side's folder or file specification (0 input, 1 output): its summary and the hint line.
    virtual void SideChanged(int side) = 0;
    // The key in force changed to "not specified".
    virtual void KeyCleared() = 0;
    // The operation file the setup was last loaded from or saved to ("" when it changed since).
    virtual void SetupFilenameChanged(const QString& path) = 0;
};

#pragma once

#include "FileChoiceDialog.h"

// The input file dialog of Input file(s): one file of the input folder, all files, all files
// with one extension, or all files satisfying a file specification. Created once and rebuilt
// each time it opens, so that nothing of an earlier visit survives.
class frmSpecifyInputFiles : public FileChoiceDialog
{
    Q_OBJECT

public:
    frmSpecifyInputFiles(QWidget* parent, Interaction& interaction);

    // Rebuilds the dialog for `folder` and the function, shows it modally where it was last
    // placed and returns the outcome. `intNumFiles` is the number of files in the folder.
    FileChoiceResult Run(const QString& folder, bool blnEncrypt, qint64 intNumFiles);

    // The next Run() returns `result` without showing anything. For tests; it answers one call.
    static void SetNextResult(const FileChoiceResult& result);

    // Width and height in twips.
    static constexpr int FormWidth = DialogWidth;
    static constexpr int FormHeight = 5700;

    QRadioButton* optAllFiles = nullptr;

    // Sets the dialog up as it opens: captions by the function, empty boxes, the folder's
    // files in the list. Run() calls it; tests may call it to look without showing.
    void Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles) override;

protected:
    bool AcceptOwnOption() override;

private:
    void Arrange();
};

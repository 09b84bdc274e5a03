#pragma once

#include "FileChoiceDialog.h"

// The output file dialog of Output file(s): one existing file of the output folder (which is
// overwritten), one new file, files with a particular extension, or files satisfying a file
// specification. Created once and rebuilt each time it opens.
class frmSpecifyOutputFiles : public FileChoiceDialog
{
    Q_OBJECT

public:
    frmSpecifyOutputFiles(QWidget* parent, Interaction& interaction);

    // Shows the dialog, rebuilt for `folder` (holding `intNumFiles` files) and the function,
    // and returns what was chosen.
    FileChoiceResult Run(const QString& folder, bool blnEncrypt, qint64 intNumFiles);

    // A test's answer for the next Run() of this dialog only; the input dialog keeps its own.
    static void SetNextResult(const FileChoiceResult& result);

    // Size in twips.
    static constexpr int FormWidth = DialogWidth;
    static constexpr int FormHeight = 6240;

    QLabel* lblSingleFile = nullptr;
    QRadioButton* optNewFile = nullptr;
    QLineEdit* txbNewFile = nullptr;

    // Captions by the function, all three boxes emptied, the folder's files listed.
    void Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles) override;

protected:
    bool AcceptOwnOption() override;
    QRadioButton* OptionOf(QObject* watched) const override;

private:
    void Arrange();
};

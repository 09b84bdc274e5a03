#pragma once

#include "FileChoice.h"

#include <QDialog>

class Interaction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// The input file dialog of Input file(s): one file of the input folder, all files, all files
// with one extension, or all files satisfying a file specification. Created once and rebuilt
// each time it opens, so that nothing of an earlier visit survives.
class frmSpecifyInputFiles : public QDialog
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
    static constexpr int FormWidth = 6780;
    static constexpr int FormHeight = 5700;

    bool blnAccept = false;

    QRadioButton* optSingleFile = nullptr;
    QListWidget* File = nullptr;
    QRadioButton* optAllFiles = nullptr;
    QRadioButton* optExtension = nullptr;
    QLabel* lblExtension = nullptr;
    QLineEdit* txbExtension = nullptr;
    QRadioButton* optMultipleFiles = nullptr;
    QLabel* lblFilespec = nullptr;
    QLineEdit* txbFilespec = nullptr;
    QPushButton* cmdAccept = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Sets the dialog up as it opens: captions by the function, empty boxes, the folder's
    // files in the list. Run() calls it; tests may call it to look without showing.
    void Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles);

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    void cmdAccept_Click();
    void Finish(bool accepted, Choice choice, const QString& text);
    QRadioButton* OptionOf(QObject* watched) const;

    Interaction& m_interaction;
    FileChoiceResult m_result;
};

#pragma once

#include "FileChoice.h"

#include <QDialog>

#include <optional>

class Interaction;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

// What the input and output file dialogs have in common: one file picked from the folder's
// list, all files with one extension, or all files satisfying a file specification, with
// Accept and Cancel. Each dialog adds its own option between the list and the extension.
class FileChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    // Sets the dialog up as it opens. Run() calls it; tests may call it to look without
    // showing. `intNumFiles` is the number of files in the folder.
    virtual void Rebuild(const QString& folder, bool blnEncrypt, qint64 intNumFiles) = 0;

    bool blnAccept = false;

    QRadioButton* optSingleFile = nullptr;
    QListWidget* File = nullptr;
    QRadioButton* optExtension = nullptr;
    QLabel* lblExtension = nullptr;
    QLineEdit* txbExtension = nullptr;
    QRadioButton* optMultipleFiles = nullptr;
    QLabel* lblFilespec = nullptr;
    QLineEdit* txbFilespec = nullptr;
    QPushButton* cmdAccept = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    void reject() override;

protected:
    // Layout, in twips, shared by both dialogs.
    static constexpr int Margin = 240;
    static constexpr int Indent = 480;
    static constexpr int OptionHeight = 285;
    static constexpr int BoxHeight = 315;
    static constexpr int DialogWidth = 6780;

    FileChoiceDialog(QWidget* parent, Interaction& interaction, const QString& name,
                     const QString& title);

    // The answer a test has set for the next Run() of `Dialog`: one slot per dialog class, so
    // that an answer meant for one dialog never answers another.
    template <class Dialog> static std::optional<FileChoiceResult>& NextResultOf()
    {
        static std::optional<FileChoiceResult> next;
        return next;
    }

    // Takes `next` if a test has set it; otherwise rebuilds, shows the dialog modally and
    // returns the outcome.
    FileChoiceResult RunOnce(std::optional<FileChoiceResult>& next, const QString& folder,
                             bool blnEncrypt, qint64 intNumFiles);

    // A text box of the dialog: fixed-pitch, and watched for mouse-over and Enter.
    void PrepareBox(QLineEdit* box);

    // Places the shared controls. The list starts at `listTop`; the extension and the file
    // specification options at `extensionTop` and `filespecTop`, each with its box below.
    void ArrangeShared(int formHeight, int listTop, int listHeight, int extensionTop,
                       int filespecTop, int buttonTop);

    // Clears the result and the boxes, sets the example labels and fills the list with the
    // folder's files.
    void ResetShared(const QString& folder, const QString& extensionExample,
                     const QString& filespecExample);

    // Enables the single-file choice if there are files and picks the starting option.
    void StartShared(bool haveFiles);

    // Accepts the dialog's own option if it is the one checked; false if it is not.
    virtual bool AcceptOwnOption() = 0;

    // The option that a click on, or typing in, `watched` selects; nullptr if none.
    virtual QRadioButton* OptionOf(QObject* watched) const;

    void Finish(bool accepted, Choice choice, const QString& text);
    void cmdAccept_Click();

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Interaction& m_interaction;
    FileChoiceResult m_result;
};

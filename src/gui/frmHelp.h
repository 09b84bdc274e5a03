#pragma once

#include <QDialog>

class QPushButton;
class QTextEdit;
class frmCredits;

// The help window: one long help text, a section for each command of the main window. It opens
// at the section of a command (its heading at the top of the text box) or at the top, beside
// the main window and without blocking it; "Close" hides it.
class frmHelp : public QDialog
{
    Q_OBJECT

public:
    // A window of its own beside `mainWindow`, where it is first placed: the main window can
    // come to the front over it, and minimising it leaves the main window as it is.
    explicit frmHelp(QWidget* mainWindow);

    // Shows the window at section `heading` (1 to 14), or at the top for 0; a minimised window
    // is restored first.
    void Open(int heading);

    frmCredits& credits();

    int intStartHeading = 0;

    QTextEdit* txbText = nullptr;
    QPushButton* cmdClose = nullptr;
    QPushButton* cmdCredit = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Load();
    void Activate();
    void MarkHeadings();
    void ShowCredits();

    QWidget* m_mainWindow;
    bool m_loaded = false;
    frmCredits* m_credits = nullptr;
};

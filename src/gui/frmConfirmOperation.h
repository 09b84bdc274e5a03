#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Shows what an operation is about to do, in plain words, and asks whether to perform it.
class frmConfirmOperation : public QDialog
{
    Q_OBJECT

public:
    explicit frmConfirmOperation(QWidget* mainWindow);

    // Opens modally with `description` and `question`, placed over the main window's lower
    // part; true when the user chose Yes. Closing the window any other way counts as No.
    bool Run(const QString& description, const QString& question, int menuFrameRight);

    // Tests: the next Run answers this without showing the window.
    static void SetNextResult(bool doIt);

    bool blnDoIt = false;
    QLabel* lblDescr = nullptr;
    QLabel* lblPerformOperation = nullptr;
    QPushButton* cmdYes = nullptr;
    QPushButton* cmdNo = nullptr;

private:
    void Arrange(const QString& description, int menuFrameRight);

    QWidget* m_mainWindow;
};

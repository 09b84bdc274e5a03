#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The credits: the program's name, version and copyright, and the libraries it stands on with
// their licences, opened from the help window's "Author" button.
class frmCredits : public QDialog
{
    Q_OBJECT

public:
    explicit frmCredits(QWidget* parent = nullptr);

    QLabel* lblProgramName = nullptr;
    QLabel* lblVersion = nullptr;
    QPushButton* cmdClose = nullptr;
};

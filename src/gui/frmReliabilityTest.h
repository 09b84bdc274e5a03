#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Offered by "Do it!" when the input is the .tst files of a "zr7test" folder: run the
// reliability test, and how many times, or just encrypt the files. Created once and hidden
// when closed; the number box keeps its value from one opening to the next.
class frmReliabilityTest : public QDialog
{
    Q_OBJECT

public:
    explicit frmReliabilityTest(QWidget* parent);

    // Opens modally, the explanation worded for the in-place or separate-files mode, with its
    // frame's top right corner at `topRight`. The answer is in the fields below.
    void Run(bool inPlace, const QPoint& topRight);

    bool blnPerformingReliabilityTest = false;
    bool blnCancel = true;
    int intNumReliabilityTests = 1;

    QLabel* lblIntro = nullptr;
    QLabel* lblExplanation1 = nullptr;
    QLabel* lblExplanation2 = nullptr;
    QRadioButton* optPerformTest = nullptr;
    QRadioButton* optNo = nullptr;
    QLabel* lblMultipleTimes = nullptr;
    QLineEdit* txbNumTests = nullptr;
    QPushButton* cmdContinue = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The number of times the box asks for: the value of its leading digits, 0 without any.
    static int NumberOfTests(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Activate(bool inPlace);
    void cmdContinue_Click();
    void cmdCancel_Click();
};

#pragma once

#include <QDialog>

#include <array>

class Interaction;
class frmInspectKey;
class QLabel;
class QLineEdit;
class QPushButton;

// "Type key (without display)": for typing a key while others can see the screen. The key is
// typed twice into masked boxes; OK compares the two and offers to inspect the key. Neither
// outcome set means Cancel.
class frmKeyboardWithoutDisplay : public QDialog
{
    Q_OBJECT

public:
    // `inspector` is the one inspection window of the program; it opens where it last stood.
    frmKeyboardWithoutDisplay(Interaction& interaction, frmInspectKey& inspector,
                              QWidget* parent = nullptr);

    // Height in twips; the width follows the main window.
    static constexpr int FormHeight = 2400;

    bool blnYes = false;
    bool blnNo = false;

    QLabel* lblEntertheKey = nullptr;
    std::array<QLineEdit*, 2> txbKey{}; // the key and its repetition
    QLabel* lblReEnterTheKey = nullptr;
    QLabel* lblChecksumIs = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void txbKey_Change(int index);
    void cmdOK_Click();
    void OfferInspection();

    Interaction& m_interaction;
    frmInspectKey& m_inspector;
};

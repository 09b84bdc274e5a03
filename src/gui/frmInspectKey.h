#pragma once

#include "keys/KeyDialogs.h"

#include <QDialog>

#include <array>

class Interaction;
class QLabel;
class QPushButton;
class QRadioButton;

// "Inspect the key": the key's bytes in four rows, as characters, decimal or hexadecimal
// numbers, with its checksum and, for a random key, its randomness. The user decides whether
// to use the key.
class frmInspectKey : public QDialog
{
    Q_OBJECT

public:
    explicit frmInspectKey(Interaction& interaction, QWidget* parent = nullptr);

    // The key to show on the next opening, its classification line and its keyfile line.
    void SetKey(const KeyInspection& inspection);

    // Moves the window back to where it was when it last closed; the first time it stays
    // where Qt puts a dialog, centred over its parent.
    void PlaceAtLastPosition();

    static constexpr int FormWidth = 7680;
    static constexpr int FormHeight = 3570;

    bool blnUseThisKey = false;

    std::array<QLabel*, 4> lblKey{};
    QRadioButton* optASCII = nullptr;
    QRadioButton* optDecimal = nullptr;
    QRadioButton* optHexadecimal = nullptr;
    QLabel* lbl64Byte = nullptr;
    QLabel* lblKeyFile = nullptr;
    QLabel* lblRandomnessIs = nullptr;
    QLabel* lblChecksumIs = nullptr;
    QLabel* lblUseThisKey = nullptr;
    QPushButton* cmdYes = nullptr;
    QPushButton* cmdNo = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ArrangeOptions(bool asciiOffered);
    void DrawKey();
    void cmdYes_Click();

    Interaction& m_interaction;
    KeyInspection m_inspection;
    bool m_shownBefore = false;
    QPoint m_lastPosition;
};

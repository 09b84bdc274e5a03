#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QValidator;

// "Type key (with display)": the key is typed in plain view; once it is long enough its
// checksum shows, so that the user can compare it with the one remembered, and Yes and No
// appear. Neither outcome set means Cancel.
class frmKeyboardWithDisplay : public QDialog
{
    Q_OBJECT

public:
    explicit frmKeyboardWithDisplay(QWidget* parent = nullptr);

    // The key boxes of both typing dialogs take only characters that Windows-1252 has, since a
    // key is a Windows-1252 byte string.
    static QValidator* NewKeyValidator(QObject* parent);

    // Height in twips; the width follows the main window.
    static constexpr int FormHeight = 1560;

    bool blnYes = false;
    bool blnNo = false;

    QLabel* lblEntertheKey = nullptr;
    QLineEdit* txbKey = nullptr;
    QLabel* lblChecksumIs = nullptr;
    QLabel* lblUseThisKey = nullptr;
    QPushButton* cmdYes = nullptr;
    QPushButton* cmdNo = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Arrange();
    void txbKey_Change();
};

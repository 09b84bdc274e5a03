#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTextEdit;

// The advice shown before a watched plaintext is purged: antivirus software may warn about
// the overwriting, and the user should let the operation go on. A check box turns the advice
// off for the rest of the batch.
class frmPurgeAdvice : public QDialog
{
    Q_OBJECT

public:
    explicit frmPurgeAdvice(QWidget* parent = nullptr);

    // Shows the advice about `path` modally with its frame at `position`; true when the user
    // ticked "Don't display this advice again during this operation.".
    bool Show(const QString& path, const QPoint& position);

    QString strPurgeFilePath;

    // A read-only text rather than a label: a long path without blanks still wraps.
    QTextEdit* txtAdvice = nullptr;
    QCheckBox* chkDontShowAgain = nullptr;
    QPushButton* cmdOK = nullptr;

private:
    void Arrange();
};

#pragma once

#include "core/PurgeAdvice.h"

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether antivirus software is active before the first watched plaintext of a batch is
// purged: Yes, No or "Don't know", with "Don't know" ready for Enter.
class frmAntivirusQuery : public QDialog
{
    Q_OBJECT

public:
    using Answer = PurgeAdviceDialogs::Antivirus;

    explicit frmAntivirusQuery(QWidget* parent = nullptr);

    // Shows the question modally with its frame at `position` and returns the answer; closing
    // the window without a button counts as "Don't know".
    Answer Ask(const QPoint& position);

    // True only when the window was left through No.
    bool blnNo = false;

    QLabel* lblQuestion = nullptr;
    QPushButton* cmdYes = nullptr;
    QPushButton* cmdNo = nullptr;
    QPushButton* cmdDontKnow = nullptr;

private:
    void Arrange();
    void Answered(Answer answer);

    Answer m_answer = Answer::DontKnow;
};

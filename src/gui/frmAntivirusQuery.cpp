#include "frmAntivirusQuery.h"

#include "Twips.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int FormWidth = 5400;
constexpr int Margin = 240;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;
constexpr int ButtonGap = 150;

} // namespace

frmAntivirusQuery::frmAntivirusQuery(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAntivirusQuery"));
    setWindowTitle(tr("Antivirus software query"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    lblQuestion = new QLabel(PurgeAdvice::AntivirusQuestion(), this);
    lblQuestion->setTextFormat(Qt::PlainText);
    lblQuestion->setWordWrap(true);
    cmdYes = new QPushButton(tr("Yes"), this);
    cmdNo = new QPushButton(tr("No"), this);
    cmdDontKnow = new QPushButton(tr("Don't know"), this);
    Arrange();

    cmdDontKnow->setDefault(true);
    cmdDontKnow->setFocus();
    connect(cmdYes, &QPushButton::clicked, this, [this] { Answered(Answer::Yes); });
    connect(cmdNo, &QPushButton::clicked, this, [this] { Answered(Answer::No); });
    connect(cmdDontKnow, &QPushButton::clicked, this, [this] { Answered(Answer::DontKnow); });
}

// The question wraps within the window; the three buttons sit centred below it, each wide
// enough for its caption.
void frmAntivirusQuery::Arrange()
{
    const QList<QPushButton*> buttons{cmdYes, cmdNo, cmdDontKnow};
    int buttonWidth = Twips::ToPixels(ButtonWidth);
    for (QPushButton* button : buttons)
        buttonWidth = std::max(buttonWidth, button->sizeHint().width());
    const int buttonHeight = std::max(Twips::ToPixels(ButtonHeight), cmdYes->sizeHint().height());
    const int gap = Twips::ToPixels(ButtonGap);
    const int margin = Twips::ToPixels(Margin);
    const int rowWidth = 3 * buttonWidth + 2 * gap;
    const int width = std::max(Twips::ToPixels(FormWidth), rowWidth + 2 * margin);

    const int textWidth = width - 2 * margin;
    lblQuestion->setGeometry(margin, margin, textWidth, lblQuestion->heightForWidth(textWidth));
    const int top = lblQuestion->geometry().bottom() + 1 + margin;
    int left = (width - rowWidth) / 2;
    for (QPushButton* button : buttons) {
        button->setGeometry(left, top, buttonWidth, buttonHeight);
        left += buttonWidth + gap;
    }
    setFixedSize(width, top + buttonHeight + margin);
}

frmAntivirusQuery::Answer frmAntivirusQuery::Ask(const QPoint& position)
{
    blnNo = false;
    m_answer = Answer::DontKnow;
    cmdDontKnow->setFocus();
    move(position);
    exec();
    return m_answer;
}

void frmAntivirusQuery::Answered(Answer answer)
{
    m_answer = answer;
    blnNo = answer == Answer::No;
    accept();
}

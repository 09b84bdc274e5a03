#include "frmPurgeAdvice.h"

#include "Twips.h"
#include "core/PurgeAdvice.h"

#include <QCheckBox>
#include <QPalette>
#include <QPushButton>
#include <QTextEdit>

#include <algorithm>
#include <cmath>

namespace {

constexpr int FormWidth = 7200;
constexpr int Margin = 240;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;

} // namespace

frmPurgeAdvice::frmPurgeAdvice(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPurgeAdvice"));
    setWindowTitle(tr("Purge advice"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    txtAdvice = new QTextEdit(this);
    txtAdvice->setAccessibleName(tr("Purge advice"));
    txtAdvice->setReadOnly(true);
    txtAdvice->setFocusPolicy(Qt::NoFocus);
    txtAdvice->setFrameShape(QFrame::NoFrame);
    txtAdvice->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtAdvice->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtAdvice->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtAdvice->viewport()->setAutoFillBackground(false);
    // On the window's background the advice takes the window's text colour: a desktop palette
    // may pair a light text background with a dark window.
    QPalette onWindow = txtAdvice->palette();
    onWindow.setColor(QPalette::Text, onWindow.color(QPalette::WindowText));
    txtAdvice->setPalette(onWindow);
    txtAdvice->document()->setDocumentMargin(0);

    chkDontShowAgain = new QCheckBox(PurgeAdvice::DontShowAgainCaption(), this);
    cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setDefault(true);
    cmdOK->setFocus();
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
}

// The advice takes the height its wrapped text needs; the check box and OK follow below it.
void frmPurgeAdvice::Arrange()
{
    const int margin = Twips::ToPixels(Margin);
    const int width =
        std::max(Twips::ToPixels(FormWidth), chkDontShowAgain->sizeHint().width() + 2 * margin);
    const int textWidth = width - 2 * margin;
    // The text is laid out in its final font and width before it is measured: before the
    // dialog is polished it would be measured in the default font at the default width.
    ensurePolished();
    txtAdvice->ensurePolished();
    txtAdvice->setGeometry(margin, margin, textWidth, txtAdvice->height());
    txtAdvice->document()->setTextWidth(textWidth);
    const int textHeight = int(std::ceil(txtAdvice->document()->size().height()));
    txtAdvice->setGeometry(margin, margin, textWidth, textHeight);

    const int checkTop = margin + textHeight;
    chkDontShowAgain->setGeometry(margin, checkTop, textWidth,
                                  chkDontShowAgain->sizeHint().height());
    const int buttonWidth = std::max(Twips::ToPixels(ButtonWidth), cmdOK->sizeHint().width());
    const int buttonHeight = std::max(Twips::ToPixels(ButtonHeight), cmdOK->sizeHint().height());
    const int buttonTop = chkDontShowAgain->geometry().bottom() + 1 + margin;
    cmdOK->setGeometry((width - buttonWidth) / 2, buttonTop, buttonWidth, buttonHeight);
    setFixedSize(width, buttonTop + buttonHeight + margin);
}

bool frmPurgeAdvice::Show(const QString& path, const QPoint& position)
{
    strPurgeFilePath = path;
    txtAdvice->setPlainText(PurgeAdvice::PurgeAdviceText(path));
    chkDontShowAgain->setChecked(false);
    Arrange();
    cmdOK->setFocus();
    move(position);
    exec();
    return chkDontShowAgain->isChecked();
}

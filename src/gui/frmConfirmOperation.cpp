#include "frmConfirmOperation.h"

#include "Twips.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QMargins>
#include <QPushButton>

#include <optional>

namespace {

std::optional<bool> s_nextResult;

constexpr int Margin = 240;
constexpr int ButtonWidth = 1200;
constexpr int ButtonHeight = 375;

// What the window manager's frame adds around a window's inside.
QMargins FrameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    return {inside.left() - frame.left(), inside.top() - frame.top(),
            frame.right() - inside.right(), frame.bottom() - inside.bottom()};
}

// The label wraps between words only, so a path or a name wider than the window would be cut
// at its right edge. Such a word may break after any character: a zero-width space goes
// between its characters, and only when the word does not fit.
QString Breakable(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList words = text.split(QLatin1Char(' '));
    for (QString& word : words) {
        if (metrics.horizontalAdvance(word) <= width)
            continue;
        QString broken;
        for (const QChar c : std::as_const(word)) {
            if (!broken.isEmpty() && !c.isLowSurrogate())
                broken += QChar(0x200B);
            broken += c;
        }
        word = broken;
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

frmConfirmOperation::frmConfirmOperation(QWidget* mainWindow)
    : QDialog(mainWindow), m_mainWindow(mainWindow)
{
    setWindowTitle(tr("Confirm operation"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(9);
    font.setBold(false);
    setFont(font);
    lblDescr = new QLabel(this);
    lblDescr->setObjectName(QStringLiteral("lblDescr"));
    lblDescr->setWordWrap(true);
    lblDescr->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblPerformOperation = new QLabel(this);
    lblPerformOperation->setObjectName(QStringLiteral("lblPerformOperation"));
    cmdYes = new QPushButton(tr("Yes"), this);
    cmdNo = new QPushButton(tr("No"), this);
    connect(cmdYes, &QPushButton::clicked, this, [this] {
        blnDoIt = true;
        accept();
    });
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnDoIt = false;
        reject();
    });
}

void frmConfirmOperation::SetNextResult(bool doIt)
{
    s_nextResult = doIt;
}

bool frmConfirmOperation::Run(const QString& description, const QString& question,
                              int menuFrameRight)
{
    blnDoIt = false;
    lblPerformOperation->setText(question);
    Arrange(description, menuFrameRight);
    if (s_nextResult) {
        blnDoIt = *s_nextResult;
        s_nextResult.reset();
        return blnDoIt;
    }
    cmdNo->setDefault(false);
    cmdYes->setDefault(true);
    cmdYes->setFocus();
    exec();
    return blnDoIt;
}

void frmConfirmOperation::Arrange(const QString& description, int menuFrameRight)
{
    // Beside the main window's command buttons, the bottom edge of its frame 120 twips above
    // that of the main window's frame.
    const QRect main = m_mainWindow->frameGeometry();
    const int left = main.left() + Twips::ToPixels(menuFrameRight + 30);
    const int width = qMax(Twips::ToPixels(6000), main.right() - left - Twips::ToPixels(120));
    const int textWidth = width - 2 * Twips::ToPixels(Margin);
    lblDescr->setFixedWidth(textWidth);
    lblDescr->setText(Breakable(description, lblDescr->fontMetrics(), textWidth));
    const int textHeight = lblDescr->heightForWidth(textWidth);
    lblDescr->setGeometry(Twips::ToPixels(Margin), Twips::ToPixels(Margin), textWidth, textHeight);
    const int questionTop = lblDescr->geometry().bottom() + Twips::ToPixels(240);
    lblPerformOperation->setGeometry(Twips::ToPixels(Margin), questionTop, textWidth,
                                     lblPerformOperation->sizeHint().height());
    const int buttonTop = lblPerformOperation->geometry().bottom() + Twips::ToPixels(240);
    const int buttonsLeft = (width - 2 * Twips::ToPixels(ButtonWidth) - Twips::ToPixels(240)) / 2;
    cmdYes->setGeometry(buttonsLeft, buttonTop, Twips::ToPixels(ButtonWidth),
                        Twips::ToPixels(ButtonHeight));
    cmdNo->setGeometry(buttonsLeft + Twips::ToPixels(ButtonWidth + 240), buttonTop,
                       Twips::ToPixels(ButtonWidth), Twips::ToPixels(ButtonHeight));
    // 6 twips per character of the description, but never less than the buttons need.
    const int height = qMax(Twips::ToPixels(6 * int(description.size())),
                            cmdYes->geometry().bottom() + Twips::ToPixels(Margin));
    setFixedSize(width, height);
    // The window manager frames this window only once it is shown; until then the main
    // window's frame, drawn alike, is the measure.
    QMargins frame = FrameMargins(this);
    if (frame.isNull())
        frame = FrameMargins(m_mainWindow);
    const int frameHeight = frame.top() + height + frame.bottom();
    move(left, main.bottom() - Twips::ToPixels(120) - frameHeight + 1);
}

#include "frmHelp.h"

#include "EnterKey.h"
#include "Twips.h"
#include "frmCredits.h"
#include "support/HelpText.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextFrame>

namespace {

constexpr int MinimumSize = 4000;
constexpr int TextLeft = 175;
constexpr int TextTop = 120;
constexpr int ButtonWidth = 1215;
constexpr int ButtonHeight = 375;
// A window's title bar and lower border, which the distances below were measured with.
constexpr int TitleBarHeight = 420;

// The help text, built into the program from data/zr7e-help.txt.
QString HelpTextFile()
{
    QFile file(QStringLiteral(":/help/zr7e-help.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

} // namespace

frmHelp::frmHelp(QWidget* mainWindow) : m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmHelp"));
    // An open help window does not keep the program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(tr("Help for Revarodevaza ZR7"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));

    txbText = new QTextEdit(this);
    txbText->setObjectName(QStringLiteral("txbText"));
    txbText->setAccessibleName(tr("Help text"));
    txbText->setReadOnly(true);
    // Read-only, but the keyboard still scrolls and selects, and the selection shows.
    txbText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txbText->setFont(QFont(QStringLiteral("Liberation Sans"), 10));

    cmdClose = new QPushButton(tr("Close"), this);
    cmdCredit = new QPushButton(tr("Author"), this);
    cmdCredit->setAccessibleDescription(tr("Shows the program's name, version and author."));
    cmdClose->setAutoDefault(false);
    cmdCredit->setAutoDefault(false);
    EnterKey::Apply(cmdClose);
    EnterKey::Apply(cmdCredit);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(cmdCredit, &QPushButton::clicked, this, &frmHelp::ShowCredits);
}

// Placed over the main window, below its upper rows, when first opened; from then on the
// window keeps whatever place and size the user gives it.
void frmHelp::Load()
{
    m_loaded = true;
    if (const QWidget* main = m_mainWindow) {
        move(main->pos() + QPoint(Twips::ToPixels(100), Twips::ToPixels(380)));
        resize(main->width() - Twips::ToPixels(200), main->height() - Twips::ToPixels(480));
    }
    txbText->setPlainText(HelpTextFile());
    MarkHeadings();
}

void frmHelp::MarkHeadings()
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    const QString text = txbText->toPlainText();
    for (int index = 1; index <= HelpText::HeadingCount; ++index) {
        const qsizetype at = HelpText::HeadingPosition(text, index);
        if (at < 0)
            continue;
        QTextCursor cursor(txbText->document());
        cursor.setPosition(int(at));
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(bold);
    }
}

void frmHelp::Open(int heading)
{
    if (!m_loaded)
        Load();
    intStartHeading = heading;
    if (isMinimized())
        showNormal();
    show();
    raise();
    activateWindow();
    Activate();
}

// The caret goes to the heading, with the start of its section selected, and the heading to the
// top of the text box; at the top of the text nothing is selected.
void frmHelp::Activate()
{
    const HelpText::Selection selection =
        HelpText::StartSelection(txbText->toPlainText(), intStartHeading);
    QTextCursor cursor(txbText->document());
    cursor.setPosition(int(selection.start));
    cursor.setPosition(int(selection.start + selection.length), QTextCursor::KeepAnchor);
    txbText->setTextCursor(cursor);

    const QTextBlock block = txbText->document()->findBlock(int(selection.start));
    const QRectF place = txbText->document()->documentLayout()->blockBoundingRect(block);
    const qreal margin = txbText->document()->documentMargin();
    txbText->verticalScrollBar()->setValue(int(place.top() - margin));
    txbText->setFocus();
}

void frmHelp::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isMinimized())
        return;
    const int width = Twips::FromPixels(this->width());
    const int height = Twips::FromPixels(this->height());
    if (width < MinimumSize || height < MinimumSize) {
        resize(Twips::ToPixels(MinimumSize), Twips::ToPixels(MinimumSize));
        return;
    }
    // The text and the buttons keep their distances from the window's lower edge, measured
    // from the outside of the window with its title bar; this height is the inside's alone.
    const int outerHeight = height + TitleBarHeight;
    txbText->setGeometry(Twips::Rect(TextLeft, TextTop, width - 350, outerHeight - 1300));
    const int buttonTop = outerHeight - 1010;
    cmdClose->setGeometry(
        Twips::Rect(width - ButtonWidth - 500, buttonTop, ButtonWidth, ButtonHeight));
    cmdCredit->setGeometry(Twips::Rect(500, buttonTop, ButtonWidth, ButtonHeight));
    // Room after the last section, so that every heading can be scrolled to the top.
    QTextFrameFormat format = txbText->document()->rootFrame()->frameFormat();
    format.setBottomMargin(txbText->height() - 2 * txbText->frameWidth());
    txbText->document()->rootFrame()->setFrameFormat(format);
}

frmCredits& frmHelp::credits()
{
    if (!m_credits)
        m_credits = new frmCredits(this);
    return *m_credits;
}

void frmHelp::ShowCredits()
{
    frmCredits& window = credits();
    window.move(geometry().center() - window.rect().center());
    window.exec();
}

#include "frmReport.h"

#include "EnterKey.h"
#include "Twips.h"
#include "frmAntivirusQuery.h"
#include "frmPurgeAdvice.h"
#include "support/Interaction.h"

#include <QAccessibleWidget>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <functional>

namespace {

// Layout in twips.
constexpr int TextTop = 120;
constexpr int HeightAboveText = 1230; // the window is this much higher than the text box
constexpr int ButtonsFromBottom = 950;
constexpr int ButtonHeight = 375;
constexpr int CloseWidth = 1215;
constexpr int PauseRightMargin = 200;
constexpr int LabelWidth = 2400;
constexpr int LabelHeight = 255;
constexpr int ProgressFromBottom = 485;
constexpr int ProgressHeight = 240;
constexpr int LineHeight = 260;
constexpr int ShrinkAllowance = 600;
constexpr int MainWindowOffset = 420;
constexpr int DialogLeft = 2400;
constexpr int DialogTop = 1675;
constexpr int DefaultMainWidth = 10800;

constexpr const char* CopyCaption = QT_TRANSLATE_NOOP("frmReport", "Copy to clipboard");
constexpr int CopyWidth = 2115;
constexpr const char* CopySelectionCaption =
    QT_TRANSLATE_NOOP("frmReport", "Copy selected text to clipboard");
constexpr int CopySelectionWidth = 3165;

// The report's text box tells the window when the left button is released, after the
// release has settled the selection.
class ReportTextBox : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;
    std::function<void()> leftButtonReleased;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QPlainTextEdit::mouseReleaseEvent(event);
        if (event->button() == Qt::LeftButton && leftButtonReleased)
            leftButtonReleased();
    }
};

void SetButton(QPushButton* button, const QString& caption, int width)
{
    button->setText(caption);
    button->resize(Twips::ToPixels(width), Twips::ToPixels(ButtonHeight));
}

// The report is a window of its own made from a plain widget, which screen readers would be
// told is a filler inside another window: it is announced as a window, with its title.
QAccessibleInterface* AccessibleReport(const QString& className, QObject* object)
{
    if (className == QLatin1String("frmReport") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

frmReport::frmReport(QWidget* mainWindow, BatchDriver& driver, Interaction& interaction)
    : QWidget(nullptr), m_main(mainWindow), m_interaction(interaction), m_driver(driver)
{
    setObjectName(QStringLiteral("frmReport"));
    static const bool announced = (QAccessible::installFactory(AccessibleReport), true);
    Q_UNUSED(announced)
    setWindowTitle(tr("Randomness report"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    // Left open when the main window closes, it must not keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();

    Clock.setInterval(100);
    connect(&Clock, &QTimer::timeout, this, [this] {
        txbText->moveCursor(QTextCursor::End);
        txbText->viewport()->update();
    });
    m_discardWait.setInterval(50);
    connect(&m_discardWait, &QTimer::timeout, this, [this] {
        if (!Running())
            Discard();
    });

    m_driver.SetView(this);
    m_driver.SetPurgeAdvice(this);
}

frmReport::~frmReport()
{
    m_driver.SetView(nullptr);
    m_driver.SetPurgeAdvice(nullptr);
}

void frmReport::CreateControls()
{
    auto* text = new ReportTextBox(this);
    text->leftButtonReleased = [this] { txbText_LeftButtonUp(); };
    txbText = text;
    txbText->setObjectName(QStringLiteral("txbText"));
    txbText->setAccessibleName(tr("Report"));
    txbText->setReadOnly(true);
    txbText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txbText->setUndoRedoEnabled(false);
    txbText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont mono(QStringLiteral("Liberation Mono"), 10);
    mono.setStyleHint(QFont::Monospace);
    txbText->setFont(mono);

    auto button = [this](const char* name, const QString& caption) {
        auto* created = new QPushButton(caption, this);
        created->setObjectName(QString::fromLatin1(name));
        EnterKey::Apply(created);
        return created;
    };
    cmdStop = button("cmdStop", tr("Stop"));
    cmdPauseContinue = button("cmdPauseContinue", tr("Continue"));
    cmdCopyToClipboard = button("cmdCopyToClipboard", tr(CopyCaption));
    cmdClose = button("cmdClose", tr("Close"));
    lblPausedDone = new QLabel(this);
    lblPausedDone->setObjectName(QStringLiteral("lblPausedDone"));
    lblPausedDone->setAlignment(Qt::AlignCenter);
    prgFile = new QProgressBar(this);
    prgFile->setObjectName(QStringLiteral("prgFile"));
    prgFile->setAccessibleName(tr("Progress of the current file"));
    prgFile->setRange(0, 1000);
    prgFile->hide();
    ShowIdleButtons();

    connect(cmdStop, &QPushButton::clicked, this, [this] { m_driver.StopAtNextFile(); });
    connect(cmdPauseContinue, &QPushButton::clicked, this, [this] { m_driver.PauseOrContinue(); });
    connect(cmdCopyToClipboard, &QPushButton::clicked, this, &frmReport::cmdCopyToClipboard_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmReport::cmdClose_Click);
}

void frmReport::ShowIdleButtons()
{
    cmdStop->hide();
    cmdPauseContinue->hide();
    cmdCopyToClipboard->hide();
    cmdClose->show();
}

void frmReport::EnsureLoaded()
{
    if (!m_loaded)
        Load();
}

// The first use, and the first use after the close box: under the main window's upper edge,
// as wide as the main window.
void frmReport::Load()
{
    m_loaded = true;
    m_width = m_main ? Twips::FromPixels(m_main->width()) : DefaultMainWidth;
    MoveUnderMainWindow(MainWindowOffset);
    SetButton(cmdClose, cmdClose->text(), CloseWidth);
    SetButton(cmdCopyToClipboard, tr(CopyCaption), CopyWidth);
    cmdCopyToClipboard->move(Twips::ToPixels(TextLeft), 0);
    Clock.stop();
    m_restoreSetupOnClose = false;
    ArrangeForTextHeight(DesignTextHeight);
}

void frmReport::MoveUnderMainWindow(int offset)
{
    if (m_main)
        move(m_main->pos() + QPoint(0, Twips::ToPixels(offset)));
}

void frmReport::PlaceUnderMainWindow(int offset)
{
    EnsureLoaded();
    MoveUnderMainWindow(offset);
}

// The text box takes `textHeight`; the window, the buttons, the status label and the progress
// bar follow its lower edge.
void frmReport::ArrangeForTextHeight(int textHeight)
{
    EnsureLoaded();
    m_textHeight = textHeight;
    const int height = textHeight + HeightAboveText;
    const int buttonTop = height - ButtonsFromBottom;
    const int buttonY = Twips::ToPixels(buttonTop);
    const int textWidth = m_width - 2 * TextLeft - 50;
    txbText->setGeometry(Twips::Rect(TextLeft, TextTop, textWidth, textHeight));
    cmdStop->move(Twips::ToPixels(TextLeft), buttonY);
    cmdPauseContinue->move(cmdPauseContinue->x(), buttonY);
    cmdCopyToClipboard->move(cmdCopyToClipboard->x(), buttonY);
    cmdClose->move(Twips::ToPixels(m_width - CloseWidth - TextLeft), buttonY);
    lblPausedDone->setGeometry(Twips::Rect((m_width - LabelWidth) / 2,
                                           buttonTop + (ButtonHeight - LabelHeight) / 2, LabelWidth,
                                           LabelHeight));
    prgFile->setGeometry(
        Twips::Rect(TextLeft, height - ProgressFromBottom, textWidth, ProgressHeight));
    setFixedSize(Twips::ToPixels(m_width), Twips::ToPixels(height));
}

void frmReport::SetPauseContinue(const QString& caption, int width)
{
    EnsureLoaded();
    SetButton(cmdPauseContinue, caption, width);
    cmdPauseContinue->move(Twips::ToPixels(m_width - width - PauseRightMargin), cmdStop->y());
}

QPoint frmReport::DialogPosition() const
{
    return pos() + QPoint(Twips::ToPixels(DialogLeft), Twips::ToPixels(DialogTop));
}

bool frmReport::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        cmdCopyToClipboard->setText(tr(CopyCaption));
    return QWidget::event(event);
}

void frmReport::showEvent(QShowEvent* event)
{
    EnsureLoaded();
    // Kept in front of the main window without being its child.
    if (m_main && windowHandle() && m_main->windowHandle())
        windowHandle()->setTransientParent(m_main->windowHandle());
    QWidget::showEvent(event);
}

void frmReport::TextAppended(const QString& text, bool showEnd)
{
    if (!text.isEmpty()) {
        QTextCursor end(txbText->document());
        end.movePosition(QTextCursor::End);
        end.insertText(text);
    }
    if (showEnd) {
        txbText->moveCursor(QTextCursor::End);
        // Scheduled, not immediate: a batch of thousands of small files must not wait for
        // a repaint after every line.
        update();
    }
}

void frmReport::TextTruncated(qsizetype length)
{
    QTextDocument* document = txbText->document();
    if (length >= document->characterCount() - 1)
        return;
    QTextCursor tail(document);
    tail.setPosition(int(length));
    tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    tail.removeSelectedText();
}

void frmReport::TextCleared()
{
    txbText->clear();
}

void frmReport::RunStarted(bool pauseShown)
{
    EnsureLoaded();
    m_restoreSetupOnClose = false;
    cmdCopyToClipboard->hide();
    cmdClose->hide();
    cmdStop->show();
    SetButton(cmdStop, tr("Stop at next file"), 2300);
    SetPauseContinue(tr("Pause at next file"), 2500);
    cmdPauseContinue->setVisible(pauseShown);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        ArrangeForTextHeight(DesignTextHeight);
}

void frmReport::RunEnded()
{
    cmdStop->hide();
    cmdPauseContinue->hide();
    prgFile->hide();
    cmdClose->show();
}

void frmReport::CopyAvailable()
{
    cmdCopyToClipboard->move(cmdStop->x(), cmdClose->y());
    cmdCopyToClipboard->show();
}

void frmReport::ShrinkToLines(qint64 lineCount)
{
    const qint64 fit = lineCount * LineHeight + ShrinkAllowance;
    if (m_textHeight > fit)
        ArrangeForTextHeight(int(fit));
}

void frmReport::StatusChanged(const QString& status)
{
    lblPausedDone->setText(status);
}

void frmReport::PauseChanged(bool paused)
{
    if (paused) {
        SetButton(cmdStop, tr("Stop"), 1000);
        SetPauseContinue(tr("Continue"), 1500);
    } else {
        SetButton(cmdStop, tr("Stop at next file"), 2200);
        SetPauseContinue(tr("Pause at next file"), 2500);
    }
    update();
}

void frmReport::ClockEnabled(bool enabled)
{
    if (enabled)
        Clock.start();
    else
        Clock.stop();
}

void frmReport::StopRequested()
{
    emit stopRequested();
}

void frmReport::Progress(qint64 done, qint64 total)
{
    if (total <= 0) {
        prgFile->hide();
        return;
    }
    prgFile->setValue(int(std::clamp<qint64>(done * 1000 / total, 0, 1000)));
    prgFile->show();
}

void frmReport::HideWindow()
{
    hide();
}

void frmReport::CaretBeforeLast()
{
    const int length = txbText->document()->characterCount() - 1;
    QTextCursor caret = txbText->textCursor();
    caret.setPosition(qMax(0, length - 1));
    txbText->setTextCursor(caret);
}

PurgeAdviceDialogs::Antivirus frmReport::AskAntivirus()
{
    frmAntivirusQuery query(this);
    return query.Ask(DialogPosition());
}

bool frmReport::ShowPurgeAdvice(const QString& path)
{
    frmPurgeAdvice advice(this);
    return advice.Show(path, DialogPosition());
}

void frmReport::cmdCopyToClipboard_Click()
{
    if (!m_driver.report().isEmpty()) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        const QTextCursor selection = txbText->textCursor();
        clipboard->setText(
            selection.hasSelection()
                ? selection.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'))
                : m_driver.report().text());
        lblPausedDone->clear();
        ResetCopyButton();
    }
    cmdClose->setFocus();
}

void frmReport::txbText_LeftButtonUp()
{
    if (txbText->textCursor().hasSelection()) {
        SetButton(cmdCopyToClipboard, tr(CopySelectionCaption), CopySelectionWidth);
        lblPausedDone->clear();
    } else {
        ResetCopyButton();
    }
}

void frmReport::ResetCopyButton()
{
    SetButton(cmdCopyToClipboard, tr(CopyCaption), CopyWidth);
}

void frmReport::cmdClose_Click()
{
    if (m_restoreSetupOnClose) {
        hide();
        m_restoreSetupOnClose = false;
        emit restoreSetupRequested();
        return;
    }
    m_driver.RequestStop();
    Clock.stop();
    hide();
}

// Escape is Close once the batch is over. While it runs only a click on Stop ends it: a key
// pressed a moment too late must not break off a long batch.
void frmReport::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel) && !Running()) {
        cmdClose_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The close box: Close, then the report is thrown away. A batch still running
// goes on writing its last lines, so the discard waits until it has returned.
void frmReport::closeEvent(QCloseEvent* event)
{
    cmdClose_Click();
    if (Running()) {
        m_discardPending = true;
        m_discardWait.start();
    } else {
        Discard();
    }
    event->accept();
}

// Back to the state of a window not yet used: no report, design caption, placed afresh
// under the main window the next time it is shown.
void frmReport::Discard()
{
    m_discardWait.stop();
    m_discardPending = false;
    Clock.stop();
    m_driver.report().Clear();
    m_restoreSetupOnClose = false;
    lblPausedDone->clear();
    prgFile->hide();
    setWindowTitle(tr("Randomness report"));
    ShowIdleButtons();
    m_loaded = false;
}

void frmReport::ReportScreen()
{
    if (m_discardPending || m_driver.report().isEmpty()) {
        m_interaction.Tell(tr("Report screen"), tr("The report screen is empty."),
                           Interaction::Icon::None);
        return;
    }
    EnsureLoaded();
    show();
    raise();
    activateWindow();
    // A batch still finishing keeps its report and layout; the driver is not re-entrant.
    if (Running())
        return;
    m_driver.ResetStatus();
    txbText->moveCursor(QTextCursor::Start);
    update();
    txbText->setFocus();
}

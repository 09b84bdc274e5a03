#include "frmRandomKey.h"

#include "TextBar.h"
#include "Twips.h"

#include <QHideEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QShowEvent>
#include <QTime>

namespace {

constexpr int Margin = 240;

} // namespace

frmRandomKey::frmRandomKey(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmRandomKey"));
    setWindowTitle(tr("Create random key"));
    setFont(QFont(QStringLiteral("Liberation Sans"), 9));
    setFixedSize(Twips::ToPixels(FormWidth), Twips::ToPixels(FormHeight));
    setMouseTracking(true);

    lblInstruction = new QLabel(tr("To create a random key move the mouse cursor "
                                   "rapidly and randomly within and across this "
                                   "window."),
                                this);
    lblInstruction->setWordWrap(true);
    lblInstruction->setGeometry(Twips::Rect(Margin, Margin, FormWidth - 2 * Margin, 600));

    // The block character is not in Liberation Mono; DejaVu Sans Mono has both it and "_"
    // at the same advance, so the bar does not shift as it fills.
    QFont terminal(QStringLiteral("DejaVu Sans Mono"));
    terminal.setStyleHint(QFont::Monospace);
    terminal.setPixelSize(10);
    // Whole-pixel advances: the blocks then join without seams.
    terminal.setHintingPreference(QFont::PreferFullHinting);
    lblProgressBar = new QLabel(this);
    lblProgressBar->setFont(terminal);
    lblProgressBar->setAlignment(Qt::AlignCenter);
    lblProgressBar->setGeometry(Twips::Rect(120, 1500, FormWidth - 240, 300));
    lblProgressBar->setAccessibleName(tr("Random key collected"));

    // Movements over the labels do not count, only those over the window's own surface.
    for (QLabel* label : {lblInstruction, lblProgressBar})
        label->setAttribute(Qt::WA_NoMousePropagation);

    Clock.setInterval(TickMilliseconds);
    connect(&Clock, &QTimer::timeout, this, &frmRandomKey::Clock_Tick);
}

void frmRandomKey::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        strRandomKey.fill('\0');
        strRandomKey.clear();
        m_collector.Start();
        TextBar::Show(*lblProgressBar, m_collector.ProgressText());
        Clock.start();
    }
    QDialog::showEvent(event);
}

void frmRandomKey::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        Clock.stop();
    QDialog::hideEvent(event);
}

void frmRandomKey::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF position = event->position();
    m_collector.MouseMoved(qRound(Twips::FromPixels(1) * position.x()),
                           qRound(Twips::FromPixels(1) * position.y()));
    QDialog::mouseMoveEvent(event);
}

void frmRandomKey::Clock_Tick()
{
    const int byte = m_collector.Tick(QTime::currentTime().msecsSinceStartOfDay());
    if (byte < 0)
        return;
    strRandomKey.append(static_cast<char>(byte));
    TextBar::Show(*lblProgressBar, m_collector.ProgressText());
    if (m_collector.Complete()) {
        Clock.stop();
        accept();
    }
}

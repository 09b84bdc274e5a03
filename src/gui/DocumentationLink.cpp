#include "DocumentationLink.h"

#include "ReadableColour.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

DocumentationLink::DocumentationLink(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

bool DocumentationLink::IsPressKey(const QKeyEvent* event)
{
    const int key = event->key();
    return key == Qt::Key_Space || key == Qt::Key_Enter || key == Qt::Key_Return;
}

void DocumentationLink::mouseReleaseEvent(QMouseEvent* /*event*/)
{
    emit activated();
}

// As with a button, the link acts when the key comes up, once however long it is held.
void DocumentationLink::keyPressEvent(QKeyEvent* event)
{
    if (!IsPressKey(event)) {
        QLabel::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        m_keyDown = true;
}

void DocumentationLink::keyReleaseEvent(QKeyEvent* event)
{
    if (!IsPressKey(event)) {
        QLabel::keyReleaseEvent(event);
        return;
    }
    if (event->isAutoRepeat() || !m_keyDown)
        return;
    m_keyDown = false;
    emit activated();
}

void DocumentationLink::focusOutEvent(QFocusEvent* event)
{
    m_keyDown = false;
    QLabel::focusOutEvent(event);
}

// The text underlined in the palette's link colour, made lighter where a dark window needs it.
void DocumentationLink::paintEvent(QPaintEvent* /*event*/)
{
    QStylePainter painter(this);
    QFont underlined = font();
    underlined.setUnderline(true);
    painter.setFont(underlined);
    QPalette shown = palette();
    shown.setColor(QPalette::WindowText, ReadableColour::Link(palette()));
    painter.drawItemText(contentsRect(), int(alignment()), shown, isEnabled(), text(),
                         QPalette::WindowText);
    if (!hasFocus())
        return;
    // Around the text only: the label is wider than its text.
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    const QRect text = fontMetrics().boundingRect(contentsRect(), int(alignment()), this->text());
    option.rect = text.adjusted(-2, -1, 2, 1) & rect();
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

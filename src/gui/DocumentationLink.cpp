#include "DocumentationLink.h"

#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

DocumentationLink::DocumentationLink(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("color: palette(link); text-decoration: underline;"));
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

void DocumentationLink::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Around the text only: the label is wider than its text.
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.backgroundColor = palette().color(backgroundRole());
    const QRect text = fontMetrics().boundingRect(contentsRect(), int(alignment()), this->text());
    option.rect = text.adjusted(-2, -1, 2, 1) & rect();
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

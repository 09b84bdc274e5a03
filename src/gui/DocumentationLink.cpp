#include "DocumentationLink.h"

#include "ReadableColour.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

// A screen reader presents the label as a link that it can follow, with the label's text as
// its name and the tool tip (where it leads) as its description.
class AccessibleLink : public QAccessibleWidget
{
public:
    explicit AccessibleLink(DocumentationLink* link) : QAccessibleWidget(link, QAccessible::Link) {}

    QString text(QAccessible::Text t) const override
    {
        const QString text = QAccessibleWidget::text(t);
        if (t != QAccessible::Name || !text.isEmpty())
            return text;
        return static_cast<const DocumentationLink*>(widget())->text();
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            emit static_cast<DocumentationLink*>(widget())->activated();
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface* LinkFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("DocumentationLink") && object && object->isWidgetType())
        return new AccessibleLink(static_cast<DocumentationLink*>(object));
    return nullptr;
}

} // namespace

DocumentationLink::DocumentationLink(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(LinkFactory), true);
    Q_UNUSED(factoryInstalled);
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

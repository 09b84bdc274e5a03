#include "EnterKey.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>

EnterKey::EnterKey(QAbstractButton* button) : QObject(button)
{
    button->installEventFilter(this);
}

void EnterKey::Apply(QAbstractButton* button)
{
    new EnterKey(button);
}

bool EnterKey::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Enter && key->key() != Qt::Key_Return)
        return false;
    // The button's own handling of Space does the rest: down state, auto-repeat, the click.
    QKeyEvent space(key->type(), Qt::Key_Space, key->modifiers(), QStringLiteral(" "),
                    key->isAutoRepeat());
    QCoreApplication::sendEvent(watched, &space);
    return true;
}

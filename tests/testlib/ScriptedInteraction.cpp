#include "ScriptedInteraction.h"

#include <QTest>

Interaction::Button ScriptedInteraction::Ask(const QString& title, const QString& text, int,
                                             Button defaultButton, Icon icon)
{
    shown.append(title + QStringLiteral(": ") + text);
    icons.append(icon);
    if (m_script.isEmpty() || m_script.first().first != title) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected question ") + shown.last()), __FILE__,
                     __LINE__);
        return defaultButton;
    }
    return m_script.takeFirst().second;
}

void ScriptedInteraction::Tell(const QString& title, const QString& text, Icon icon)
{
    shown.append(title + QStringLiteral(": ") + text);
    icons.append(icon);
}

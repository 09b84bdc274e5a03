#include "CliInteraction.h"

#include "Messages.h"
#include "StopSignals.h"

void CliMessages::Tell(const QString& title, const QString& text, Icon)
{
    Messages::Print(title + QStringLiteral(": ") + text);
}

Interaction::Button CliInteraction::Ask(const QString& title, const QString& text, int buttons,
                                        Button defaultButton, Icon icon)
{
    Tell(title, text, icon);
    Button answer = defaultButton;
    if (title == QLatin1String("Anomaly"))
        answer = force ? Yes : No;
    else if (title == QLatin1String("Abort?"))
        answer = No;
    else if (title == QLatin1String("Report buffer full") && (buttons & Yes))
        answer = Yes; // go on without per-file lines, as the question recommends
    const char* word = answer == Yes ? "Yes" : answer == No ? "No" : answer == Ok ? "OK" : "Cancel";
    Messages::Print(QStringLiteral("(answered %1)").arg(QLatin1String(word)));
    return answer;
}

void CliInteraction::ProcessEvents()
{
    UnattendedInteraction::ProcessEvents();
    if (StopSignals::Requested() && !m_interruptHandled) {
        m_interruptHandled = true;
        if (onInterrupt)
            onInterrupt();
    }
}

#include "CliInteraction.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t s_interrupted = 0;
bool s_interruptHandled = false;

extern "C" void OnInterrupt(int)
{
    s_interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

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
    std::fprintf(stderr, "(answered %s)\n", word);
    return answer;
}

void CliInteraction::ProcessEvents()
{
    UnattendedInteraction::ProcessEvents();
    if (s_interrupted && !s_interruptHandled) {
        s_interruptHandled = true;
        if (onInterrupt)
            onInterrupt();
    }
}

void CliInteraction::CatchInterrupt()
{
    std::signal(SIGINT, OnInterrupt);
}

bool CliInteraction::Interrupted()
{
    return s_interrupted != 0;
}

#include "CliInteraction.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace {

// Ctrl-C, kill's default signal and a closed terminal all mean: stop.
constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t s_interrupted = 0;
bool s_interruptHandled = false;

// The first stop signal only asks the batch to stop; from then on any of them ends the process.
extern "C" void OnInterrupt(int)
{
    const int savedErrno = errno;
    s_interrupted = 1;
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    for (int number : StopSignals) {
        struct sigaction current = {};
        if (::sigaction(number, nullptr, &current) == 0 && current.sa_handler == OnInterrupt)
            ::sigaction(number, &fallback, nullptr); // an ignored one stays ignored
    }
    errno = savedErrno;
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
    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESTART;
    // While the handler runs, the other stop signals wait; they then find the default action.
    sigemptyset(&action.sa_mask);
    for (int number : StopSignals)
        sigaddset(&action.sa_mask, number);
    for (int number : StopSignals) {
        struct sigaction before = {};
        // A signal ignored from the start stays ignored: under nohup a hangup must not stop
        // the batch.
        if (::sigaction(number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(number, &action, nullptr);
    }
}

bool CliInteraction::Interrupted()
{
    return s_interrupted != 0;
}

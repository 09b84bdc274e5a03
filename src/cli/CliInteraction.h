#pragma once

#include "core/UnattendedInteraction.h"

#include <functional>

// The command line's answer to the core's questions: every message and question goes to
// standard error as "Title: text"; questions are answered from the options, never by waiting
// for the user. Ctrl-C, SIGTERM and SIGHUP ask the running batch to stop at the next file.
class CliInteraction : public UnattendedInteraction
{
public:
    // --force: files that do not look encrypted are decrypted anyway.
    bool force = false;

    Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
               Icon icon) override;
    void ProcessEvents() override;

    // Called once, at the first pending event after a stop signal.
    std::function<void()> onInterrupt;

    // Catches Ctrl-C, SIGTERM and SIGHUP from now on (each unless the process was started with
    // it ignored); a second one of any of them ends the program at once.
    static void CatchInterrupt();
    static bool Interrupted();
};

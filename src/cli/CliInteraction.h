#pragma once

#include "core/UnattendedInteraction.h"

#include <functional>

// Messages as the command line writes them: "zr7e-cli: Title: text" on standard error.
// Questions are answered No, as by every unattended run.
class CliMessages : public UnattendedInteraction
{
public:
    void Tell(const QString& title, const QString& text, Icon icon) override;
};

// The command line's answer to the core's questions: every message and question goes to
// standard error; questions are answered from the options, never by waiting for the user.
// After StopSignals::StopAfterCurrentFile(), a stop signal asks the running batch to stop at
// the next file.
class CliInteraction : public CliMessages
{
public:
    // --force: files that do not look encrypted are decrypted anyway.
    bool force = false;

    Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
               Icon icon) override;
    void ProcessEvents() override;

    // Called once, at the first pending event after a stop signal.
    std::function<void()> onInterrupt;

private:
    bool m_interruptHandled = false;
};

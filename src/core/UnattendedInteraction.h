#pragma once

#include "support/Interaction.h"

#include <QCoreApplication>

#include <cstdio>

// For runs nobody watches (scripts, benchmarks, test children): every question and message
// goes to standard error as "Title: text", questions are answered No, and pending events run
// so that timers and signals still act.
class UnattendedInteraction : public Interaction
{
public:
    Button Ask(const QString& title, const QString& text, int, Button, Icon icon) override
    {
        Tell(title, text, icon);
        return No;
    }
    void Tell(const QString& title, const QString& text, Icon) override
    {
        std::fputs(qPrintable(title + QStringLiteral(": ") + text + QLatin1Char('\n')), stderr);
        std::fflush(stderr);
    }
    void ProcessEvents() override { QCoreApplication::processEvents(); }
};

#pragma once

#include "support/Interaction.h"

#include <QList>
#include <QPair>
#include <QStringList>

#include <functional>

// Answers the core's questions from a script. Every question must have been expected, in
// order, by its title; anything else fails the running test. Messages are recorded.
class ScriptedInteraction : public Interaction
{
public:
    // The next question must carry `title`; it is answered with `answer`.
    void Expect(const QString& title, Button answer) { m_script.append({title, answer}); }

    Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
               Icon icon) override;
    void Tell(const QString& title, const QString& text, Icon icon) override;
    void ProcessEvents() override
    {
        if (onProcessEvents)
            onProcessEvents();
    }

    // Runs whenever the core lets pending events run: where a click on Stop or Pause would
    // come in.
    std::function<void()> onProcessEvents;

    // "Title: text" of every question and message so far, oldest first.
    QStringList shown;
    QList<Icon> icons;
    bool scriptDone() const { return m_script.isEmpty(); }

private:
    QList<QPair<QString, Button>> m_script;
};

#pragma once

#include "support/Interaction.h"

class QWidget;

// The windows' answer to the core's questions: modal message boxes over a parent window.
class MessageBoxInteraction : public Interaction
{
public:
    explicit MessageBoxInteraction(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
               Icon icon) override;
    void Tell(const QString& title, const QString& text, Icon icon) override;
    void ProcessEvents() override;

private:
    QWidget* m_parent;
};

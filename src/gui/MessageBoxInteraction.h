#pragma once

#include "support/Interaction.h"

#include <QPointer>

class QWidget;

// The windows' answer to the core's questions: modal message boxes over the window the user is
// looking at. That is the report window while it is shown (a batch asks its questions there,
// and its report must stay in front), and the main window otherwise.
class MessageBoxInteraction : public Interaction
{
public:
    explicit MessageBoxInteraction(QWidget* parent = nullptr) : m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    // The window that owns the boxes, instead of the parent, whenever it is shown.
    void SetReportWindow(QWidget* report) { m_report = report; }

    Button Ask(const QString& title, const QString& text, int buttons, Button defaultButton,
               Icon icon) override;
    void Tell(const QString& title, const QString& text, Icon icon) override;
    void ProcessEvents() override;

private:
    QWidget* Owner() const;

    QPointer<QWidget> m_parent;
    QPointer<QWidget> m_report;
};

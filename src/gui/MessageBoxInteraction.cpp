#include "MessageBoxInteraction.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(Interaction::Icon icon)
{
    switch (icon) {
    case Interaction::Icon::Information:
        return QMessageBox::Information;
    case Interaction::Icon::Exclamation:
        return QMessageBox::Warning;
    case Interaction::Icon::Critical:
        return QMessageBox::Critical;
    case Interaction::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

Interaction::Button MessageBoxInteraction::Ask(const QString& title, const QString& text,
                                               int buttons, Button defaultButton, Icon icon)
{
    struct Choice
    {
        Button button;
        QMessageBox::StandardButton qt;
    };
    static const Choice Choices[] = {{Ok, QMessageBox::Ok},
                                     {Yes, QMessageBox::Yes},
                                     {No, QMessageBox::No},
                                     {Retry, QMessageBox::Retry},
                                     {Cancel, QMessageBox::Cancel}};
    QMessageBox box(ToQt(icon), title, text, QMessageBox::NoButton, m_parent);
    for (const Choice& choice : Choices) {
        if (buttons & choice.button) {
            box.addButton(choice.qt);
            if (choice.button == defaultButton)
                box.setDefaultButton(choice.qt);
        }
    }
    const int answer = box.exec();
    for (const Choice& choice : Choices) {
        if (answer == choice.qt)
            return choice.button;
    }
    return (buttons & Cancel) ? Cancel : defaultButton; // closed with the close box or Escape
}

void MessageBoxInteraction::Tell(const QString& title, const QString& text, Icon icon)
{
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, m_parent);
    box.exec();
}

void MessageBoxInteraction::ProcessEvents()
{
    QApplication::processEvents();
}

#include "MessageBoxInteraction.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// What the window manager's frame takes beside the title: its icon and its buttons.
constexpr int TitleBarExtras = 120;

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

// The width a box needs for the window manager to show `title` in full.
int WidthForTitle(const QString& title)
{
    // The title bar's own font is the window manager's; the application's font in bold comes
    // close enough.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) + TitleBarExtras;
}

// A message box sizes itself to its text, so a short text under a long title gets a title
// bar that cuts the title. It ignores a minimum width, but not a spacer across its layout.
void FitTitle(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    grid->addItem(new QSpacerItem(WidthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
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
    QMessageBox box(ToQt(icon), title, text, QMessageBox::NoButton, Owner());
    for (const Choice& choice : Choices) {
        if (buttons & choice.button) {
            box.addButton(choice.qt);
            if (choice.button == defaultButton)
                box.setDefaultButton(choice.qt);
        }
    }
    FitTitle(box);
    const int answer = box.exec();
    for (const Choice& choice : Choices) {
        if (answer == choice.qt)
            return choice.button;
    }
    return (buttons & Cancel) ? Cancel : defaultButton; // closed with the close box or Escape
}

void MessageBoxInteraction::Tell(const QString& title, const QString& text, Icon icon)
{
    QMessageBox box(ToQt(icon), title, text, QMessageBox::Ok, Owner());
    FitTitle(box);
    box.exec();
}

QWidget* MessageBoxInteraction::Owner() const
{
    // A minimised report would hide the box that the whole program waits for.
    if (m_report && m_report->isVisible() && !m_report->isMinimized())
        return m_report;
    return m_parent;
}

void MessageBoxInteraction::ProcessEvents()
{
    QApplication::processEvents();
}

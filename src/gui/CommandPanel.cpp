#include "CommandPanel.h"

#include "EnterKey.h"
#include "MainWindowGrid.h"
#include "Twips.h"

#include <QKeyEvent>
#include <QPushButton>

CommandPanel::CommandPanel(QWidget* parent, const QString& name) : QFrame(parent)
{
    setObjectName(name);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    hide();
}

void CommandPanel::ShowClearOfLines(int left, int wantedTop)
{
    const int area = parentWidget()->height();
    const int top = Twips::ToPixels(MainWindowGrid::ClearTop(
        Twips::FromPixels(wantedTop), Twips::FromPixels(height()), Twips::FromPixels(area)));
    // One pixel either side of a line's box counts as cutting it.
    const auto cuts = [](int y) {
        return MainWindowGrid::CutsALine(Twips::FromPixels(y - 1)) ||
               MainWindowGrid::CutsALine(Twips::FromPixels(y + 1));
    };
    if (cuts(top + height()))
        resize(width(), area - top - 3);
    move(left, top);
    show();
    raise();
}

QPushButton* CommandPanel::AddButton(const QString& caption)
{
    auto* button = new QPushButton(caption, this);
    EnterKey::Apply(button);
    return button;
}

void CommandPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && m_cancel && m_cancel->isVisible()) {
        m_cancel->click();
        return;
    }
    QFrame::keyPressEvent(event);
}

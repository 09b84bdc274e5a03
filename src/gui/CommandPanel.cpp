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
    // The height the panel was made with: a foot moved down before is not a new start.
    if (m_ownHeight == 0)
        m_ownHeight = height();
    const int area = Twips::FromPixels(parentWidget()->height());
    const int top = MainWindowGrid::ClearTop(Twips::FromPixels(wantedTop),
                                             Twips::FromPixels(m_ownHeight), area);
    const int tall = MainWindowGrid::ClearHeight(top, Twips::FromPixels(m_ownHeight), area);
    resize(width(), std::max(m_ownHeight, Twips::ToPixels(tall)));
    move(left, Twips::ToPixels(top));
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

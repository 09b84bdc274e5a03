#include "CommandPanel.h"

#include "EnterKey.h"

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

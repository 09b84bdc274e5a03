#include "SetupPanel.h"

#include "Twips.h"

#include <QPushButton>

SetupPanel::SetupPanel(QWidget* parent, const QString& name,
                       std::initializer_list<const char*> captions)
    : QFrame(parent)
{
    constexpr int Margin = 60;
    setObjectName(name);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setAutoFillBackground(true);
    int row = 0;
    for (const char* caption : captions) {
        auto* button = new QPushButton(QString::fromLatin1(caption), this);
        button->setGeometry(
            Twips::Rect(Margin, Margin + row * ButtonHeight, ButtonWidth, ButtonHeight));
        ++row;
    }
    resize(Twips::ToPixels(ButtonWidth + 2 * Margin),
           Twips::ToPixels(row * ButtonHeight + 2 * Margin));
    hide();
}

QPushButton* SetupPanel::button(int index) const
{
    return findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).value(index);
}

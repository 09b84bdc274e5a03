#include "SetupPanel.h"

#include "Twips.h"

#include <QPushButton>

SetupPanel::SetupPanel(QWidget* parent, const QString& name,
                       std::initializer_list<const char*> captions)
    : CommandPanel(parent, name)
{
    constexpr int Margin = 45;
    int row = 0;
    QPushButton* button = nullptr;
    for (const char* caption : captions) {
        button = AddButton(tr(caption));
        button->setGeometry(
            Twips::Rect(Margin, Margin + row * ButtonHeight, ButtonWidth, ButtonHeight));
        ++row;
    }
    SetCancelButton(button);
    resize(Twips::ToPixels(ButtonWidth + 2 * Margin),
           Twips::ToPixels(row * ButtonHeight + 2 * Margin));
}

QPushButton* SetupPanel::button(int index) const
{
    return findChildren<QPushButton*>(Qt::FindDirectChildrenOnly).value(index);
}

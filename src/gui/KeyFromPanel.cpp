#include "KeyFromPanel.h"

#include "Twips.h"

#include <QPushButton>

KeyFromPanel::KeyFromPanel(QWidget* parent) : CommandPanel(parent, QStringLiteral("picKeyFrom"))
{
    auto add = [this](const QString& caption) { return AddButton(caption); };
    cmdKeyboardWithDisplay = add(tr("Type key (with display)"));
    cmdKeyboardWithoutDisplay = add(tr("Type key (without display)"));
    cmdKeyFile[0] = add(tr("Get key from keyfile"));
    cmdKeyFile[1] = add(tr("Create random key"));
    cmdEraseKey = add(tr("Erase key"));
    cmdDontSpecifyKeyNow = add(tr("Cancel"));
    SetCancelButton(cmdDontSpecifyKeyNow);
    cmdKeyboardWithDisplay->setAccessibleDescription(tr("Type the key and see it as you type."));
    cmdKeyboardWithoutDisplay->setAccessibleDescription(
        tr("Type the key twice without seeing it; the two entries must match."));
    cmdKeyFile[0]->setAccessibleDescription(tr("Use the first 64 bytes of a file as the key."));
    cmdKeyFile[1]->setAccessibleDescription(
        tr("Move the mouse until 64 random bytes are made; they are written to a new keyfile."));
    cmdEraseKey->setAccessibleDescription(tr("Forget the key in force."));
    cmdDontSpecifyKeyNow->setAccessibleDescription(tr("Keep the key as it was."));
}

void KeyFromPanel::Arrange(bool blnEncrypt)
{
    constexpr int Margin = 60;
    const int h = ButtonHeight;
    QPushButton* order[] = {cmdKeyboardWithDisplay,
                            cmdKeyboardWithoutDisplay,
                            cmdKeyFile[0],
                            cmdKeyFile[1],
                            cmdEraseKey,
                            cmdDontSpecifyKeyNow};
    cmdKeyFile[1]->setVisible(blnEncrypt);
    int row = 0;
    for (QPushButton* button : order) {
        if (button->isHidden() && button == cmdKeyFile[1])
            continue;
        button->setGeometry(Twips::Rect(Margin, Margin + row * h, ButtonWidth, h));
        ++row;
    }
    resize(Twips::ToPixels(ButtonWidth + 2 * Margin), Twips::ToPixels(row * h + 2 * Margin));
}

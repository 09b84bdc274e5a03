#pragma once

#include "CommandPanel.h"

#include <array>

class QPushButton;

// The key panel of the main window (picKeyFrom): where the next key comes from. Escape is
// "Cancel" (cmdDontSpecifyKeyNow).
class KeyFromPanel : public CommandPanel
{
    Q_OBJECT

public:
    explicit KeyFromPanel(QWidget* parent);

    // Lays the buttons out for the function: decrypting has no "Create random key", and the
    // panel is one button shorter.
    void Arrange(bool blnEncrypt);

    QPushButton* cmdKeyboardWithDisplay = nullptr;
    QPushButton* cmdKeyboardWithoutDisplay = nullptr;
    std::array<QPushButton*, 2> cmdKeyFile{};
    QPushButton* cmdEraseKey = nullptr;
    QPushButton* cmdDontSpecifyKeyNow = nullptr;

    static constexpr int ButtonWidth = 2700;
    static constexpr int ButtonHeight = 375;
};

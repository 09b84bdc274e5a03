#pragma once

#include "keys/KeyDialogs.h"

#include <QPointer>

class CommandWindow;
class Interaction;
class frmInspectKey;
class frmKeyboardWithDisplay;
class frmKeyboardWithoutDisplay;
class frmRandomKey;
class QWidget;

// The key windows over the main window: each is created on first use, placed against the
// main window, shown modally, and its outcome read back.
class GuiKeyDialogs : public KeyDialogs
{
public:
    GuiKeyDialogs(CommandWindow& window, Interaction& interaction);

    Outcome TypeKeyWithDisplay(const QString& prompt, QString& typed) override;
    Outcome TypeKeyWithoutDisplay(const QString& prompt, QString& typed) override;
    QString ChooseKeyfile(const QString& title) override;
    QByteArray CollectRandomKey() override;
    bool InspectKey(const KeyInspection& inspection) override;

    // The windows, for tests (created on first use).
    frmKeyboardWithDisplay& KeyboardWithDisplay();
    frmKeyboardWithoutDisplay& KeyboardWithoutDisplay();
    frmInspectKey& InspectionWindow();
    frmRandomKey& RandomKeyWindow();

private:
    void PlaceTypingDialog(QWidget& dialog);
    void PlaceAtLowerRight(QWidget& window);

    CommandWindow& m_window;
    Interaction& m_interaction;
    // Owned by the window, which may go first.
    QPointer<frmKeyboardWithDisplay> m_withDisplay;
    QPointer<frmKeyboardWithoutDisplay> m_withoutDisplay;
    QPointer<frmInspectKey> m_inspect;
    QPointer<frmRandomKey> m_random;
};

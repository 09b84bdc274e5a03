#pragma once

class QLabel;
class QMainWindow;
class QWidget;

// The window the commands belong to, as they see it: where their dialogs and panels open, the
// command frames they disable while they work, and the click guard. The commands reach the
// main window only through these calls, never through its widgets.
class CommandWindow
{
public:
    // The window that dialogs open over and are placed against; panels go on its central
    // widget.
    virtual QMainWindow& mainWindow() = 0;
    // The frame of command buttons down the left side, for placing panels and dialogs beside it.
    virtual const QWidget& commandFrame() const = 0;
    // The top, in the central widget, of the free row under the key line, where a notice about
    // a long task stands.
    virtual int NoticeRowTop() const = 0;
    // The one label of such notices, hidden until a command places and shows it.
    virtual QLabel& NoticeLabel() = 0;

    // Enables or disables the command frames: the menu and the Setup row. Message boxes and
    // dialogs over the window stay usable.
    virtual void SetCommandsEnabled(bool enabled) = 0;

    // For one second after a file dialog closed, button releases are ignored, so that the
    // release that closed the dialog cannot act on the button beneath it.
    virtual bool ClickGuard() const = 0;
    virtual void SetClickGuard() = 0;

protected:
    ~CommandWindow() = default;
};

#pragma once

#include <QFrame>

class QPushButton;

// A raised column of choices laid over the main window, hidden until asked for: the key panel
// and the Setup button's panels. Enter presses the focused choice, and Escape presses the one
// that leaves everything as it was ("Cancel", "Not now").
class CommandPanel : public QFrame
{
    Q_OBJECT

public:
    CommandPanel(QWidget* parent, const QString& name);

    // Moves the panel to `left` and the top nearest `wantedTop` (pixels of the window's area)
    // at which its edge cuts no line of the summary in half, then shows it on top. Where its
    // foot would cut one, the panel reaches down just past that line.
    void ShowClearOfLines(int left, int wantedTop);

protected:
    QPushButton* AddButton(const QString& caption);
    void SetCancelButton(QPushButton* button) { m_cancel = button; }

    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* m_cancel = nullptr;
    int m_ownHeight = 0;
};

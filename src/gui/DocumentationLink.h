#pragma once

#include <QLabel>

// The main window's "Online documentation": a label that acts as a link. Tab reaches it and a
// focus frame shows it has the focus; a mouse click, or Enter or Space while it has the focus,
// asks for the documentation.
class DocumentationLink : public QLabel
{
    Q_OBJECT

public:
    DocumentationLink(const QString& text, QWidget* parent);

signals:
    void activated();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static bool IsPressKey(const QKeyEvent* event);

    // A key release acts only after its own press here, not after one that moved the focus in.
    bool m_keyDown = false;
};

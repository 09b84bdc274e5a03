#pragma once

#include "keys/RandomKeyCollector.h"

#include <QByteArray>
#include <QDialog>
#include <QTimer>

class QLabel;

// "Create random key": while the user moves the mouse over the window, every quarter second
// adds one key byte, until 64 have been made and the window closes itself. The bytes come from
// the system's CSPRNG, shifted by the mouse position and the clock (RandomKeyCollector).
class frmRandomKey : public QDialog
{
    Q_OBJECT

public:
    explicit frmRandomKey(QWidget* parent = nullptr);

    static constexpr int FormWidth = 6195;
    static constexpr int FormHeight = 3105;
    static constexpr int TickMilliseconds = 250;

    // The key collected so far; 64 bytes of codes 33..255 when the window closed by itself.
    QByteArray strRandomKey;

    QLabel* lblInstruction = nullptr;
    QLabel* lblProgressBar = nullptr;
    QTimer Clock;

public slots:
    void Clock_Tick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    RandomKeyCollector m_collector;
};

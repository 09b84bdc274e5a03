#pragma once

#include "ModalWatchdog.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `action` once `window` is the active modal window, so that a test can act inside the
// window's own exec(). A failed check closes the window instead of leaving it waiting. When
// another modal window comes instead, or the action leaves the window open, the watchdog
// (ModalWatchdog.h) closes it within seconds and fails the test, naming both windows.
inline void WhenShown(QWidget* window, std::function<void()> action)
{
    ModalWatchdog::Await(window);
    auto* poll = new QTimer(window);
    QObject::connect(poll, &QTimer::timeout, window, [poll, window, action] {
        if (QApplication::activeModalWidget() != window)
            return;
        poll->stop();
        poll->deleteLater();
        ModalWatchdog::Arrived(window);
        action();
        if (QTest::currentTestFailed())
            window->close();
    });
    poll->start(5);
}

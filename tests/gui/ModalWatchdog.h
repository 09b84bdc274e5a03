#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

// Keeps a widget test from hanging in a modal window that nothing is going to answer: every
// widget test links it and has one watchdog from the moment its application starts. A modal
// window that stays the active one for TimeoutMs fails the running test with a message naming
// it (and the window the test was waiting for, if any), and is closed together with any modal
// window under it, so that the test runs on to its end. Once the running test has failed,
// modal windows are closed at once.
class ModalWatchdog : public QObject
{
public:
    static constexpr int TimeoutMs = 5000;

    // The test waits for `window` to become the active modal window, and has got it.
    static void Await(QWidget* window);
    static void Arrived(QWidget* window);

    explicit ModalWatchdog(QObject* parent);

private:
    void Check();
    static void CloseModalWindows();

    QPointer<QWidget> m_current;
    QElapsedTimer m_since;
    QList<QPointer<QWidget>> m_awaited;
};

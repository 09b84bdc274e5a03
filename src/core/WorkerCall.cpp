#include "WorkerCall.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <thread>

void RunOnWorker(const std::function<void()>& work, const std::function<void()>& tick,
                 bool runInline)
{
    if (runInline || !QCoreApplication::instance()) {
        work();
        return;
    }

    QEventLoop loop;
    QTimer timer;
    timer.setInterval(100);
    if (tick)
        QObject::connect(&timer, &QTimer::timeout, &loop, tick);
    // A joined std::thread rather than a QThread: QThread::wait() returns before the thread has
    // run its exit handlers (the crypto library frees its per-thread state there), so the
    // thread could still be ending while the program ends, and that state would be lost.
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    timer.start();
    // Only the work's end leaves this loop: nothing else may quit it while the worker uses
    // the caller's data.
    loop.exec();
    worker.join();
    if (tick)
        tick();
}

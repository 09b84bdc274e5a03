#include "WorkerCall.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <memory>

int RunOnWorker(const std::function<int()>& work, const std::function<void()>& tick, bool runInline)
{
    if (runInline || !QCoreApplication::instance())
        return work();

    int result = 0;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = work(); }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    QTimer timer;
    timer.setInterval(100);
    if (tick)
        QObject::connect(&timer, &QTimer::timeout, &loop, tick);
    worker->start();
    timer.start();
    // Only the work's end leaves this loop: nothing else may quit it while the worker uses
    // the caller's data.
    loop.exec();
    worker->wait();
    if (tick)
        tick();
    return result;
}

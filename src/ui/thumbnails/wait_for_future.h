#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>
#include <QTimer>
#include <functional>

namespace tarvix {

// Waits for work on another thread while this thread's events go on being processed, so that
// the window keeps painting and a Cancel click arrives. `poll`, when given, runs every 50 ms
// meanwhile (and once first), and ends the wait early when it returns true.
template <typename T> void WaitProcessingEvents(const QFuture<T>& future, const std::function<bool()>& poll = {})
{
    if (future.isFinished() || (poll && poll()))
        return;
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    if (poll) {
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            if (poll())
                loop.quit();
        });
        timer.start(50);
    }
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
}

} // namespace tarvix

#pragma once

#include <QEventLoop>
#include <QFuture>
#include <QFutureWatcher>

namespace tarvix {

// Waits for work on another thread while this thread's events go on being processed, so that
// the window keeps painting and a Cancel click arrives.
template <typename T> void WaitProcessingEvents(const QFuture<T>& future)
{
    if (future.isFinished())
        return;
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished())
        loop.exec();
}

} // namespace tarvix

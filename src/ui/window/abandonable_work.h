#pragma once

#include "ui/thumbnails/wait_for_future.h"

#include <QFuture>
#include <QPromise>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tarvix {

// Runs `work` on a thread of its own while this thread's events go on being processed, and
// gives its result; or nothing, as soon as `stopWanted` (asked every 50 ms) says so. The work
// is then told to stop through its flag, and left to end on its own: a folder listing can hang
// in the kernel for minutes on a dead network mount, and the window must not wait for it. So
// the work must own everything it touches; it gets copies, and its result is dropped.
template <typename T>
std::optional<T> RunAbandonable(
    std::function<T(const std::atomic_bool& stop)> work, const std::function<bool()>& stopWanted)
{
    struct Shared {
        std::atomic_bool Stop { false };
        QPromise<T> Promise;
    };
    const auto shared = std::make_shared<Shared>();
    QFuture<T> future = shared->Promise.future();
    shared->Promise.start();
    std::thread([shared, work = std::move(work)] {
        try {
            shared->Promise.addResult(work(shared->Stop));
        } catch (...) {
            shared->Promise.setException(std::current_exception());
        }
        shared->Promise.finish();
    }).detach();

    WaitProcessingEvents(future, stopWanted);
    if (!future.isFinished()) {
        shared->Stop = true;
        return std::nullopt;
    }
    return future.result();
}

} // namespace tarvix

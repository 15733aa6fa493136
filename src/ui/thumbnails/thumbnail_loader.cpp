#include "ui/thumbnails/thumbnail_loader.h"

#include "ui/thumbnails/wait_for_future.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace tarvix {

ThumbnailLoader::ThumbnailLoader(QThreadPool& pool, QStringList paths, Maker maker, int ahead)
    : FPool(pool)
    , FPaths(std::move(paths))
    , FMaker(std::move(maker))
    , FAhead(qMax(1, ahead))
{
    SubmitUpTo(FAhead);
}

ThumbnailLoader::~ThumbnailLoader()
{
    // Those not started yet never start; the pool outlives the loader for those that did.
    for (QFuture<LoadedThumbnail>& future : FInFlight)
        future.cancel();
}

int ThumbnailLoader::DefaultAhead()
{
    return 2 * qMax(1, QThread::idealThreadCount());
}

void ThumbnailLoader::SubmitUpTo(qsizetype count)
{
    while (FSubmitted < FPaths.size() && FSubmitted - FTaken < count) {
        FInFlight.push_back(QtConcurrent::run(&FPool, FMaker, FPaths[FSubmitted]));
        ++FSubmitted;
    }
}

LoadedThumbnail ThumbnailLoader::TakeNext()
{
    if (AtEnd() || FInFlight.empty())
        return {};
    QFuture<LoadedThumbnail> future = FInFlight.front();
    WaitProcessingEvents(future);
    FInFlight.pop_front();
    ++FTaken;
    SubmitUpTo(FAhead);
    return future.isValid() && future.resultCount() > 0 ? future.result() : LoadedThumbnail {};
}

} // namespace tarvix

#pragma once

#include "ui/thumbnails/thumbnail_maker.h"

#include <QFuture>
#include <QStringList>
#include <deque>
#include <functional>

class QThreadPool;

namespace tarvix {

// Makes the thumbnails of a list of files ahead of the one who takes them, on a pool of
// worker threads, and hands them over in list order. Only a few are made ahead, so that
// memory stays bounded however long the list; what nobody took when the loader goes is
// dropped (decodes already running finish on their own, their results unused).
// A thumbnail as the workers hand it over: made, and compressed as the grid keeps it.
struct LoadedThumbnail {
    Thumbnail Made;
    QByteArray Jpeg;
};

class ThumbnailLoader {
public:
    using Maker = std::function<LoadedThumbnail(const QString& path)>;

    // `ahead` thumbnails are in the making at any time (at least one).
    ThumbnailLoader(QThreadPool& pool, QStringList paths, Maker maker, int ahead);
    ~ThumbnailLoader();

    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    bool AtEnd() const { return FTaken >= FPaths.size(); }
    // The next thumbnail in list order. While it is not ready, the calling thread's events
    // are processed, so the window stays responsive and a Cancel click arrives.
    LoadedThumbnail TakeNext();

    // How many are made ahead by default: two per core keeps every core busy while one of
    // them is being taken.
    static int DefaultAhead();

private:
    void SubmitUpTo(qsizetype count);

    QThreadPool& FPool;
    QStringList FPaths;
    Maker FMaker;
    qsizetype FAhead;
    qsizetype FTaken = 0;
    qsizetype FSubmitted = 0;
    std::deque<QFuture<LoadedThumbnail>> FInFlight;
};

} // namespace tarvix

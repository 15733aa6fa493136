#pragma once

#include "ui/thumbnails/thumbnail_maker.h"

namespace tarvix {

class PrivateThumbnailCache;

// The largest master an entry keeps: a 12 MP photo decodes at 1/8 to 500 x 375 for any cell
// up to 510 pixels wide; a decode larger than this (a cell as wide as the screen, a picture of
// a hundred megapixels) is not cached.
inline constexpr qint64 ThumbnailMasterMaxPixels = qint64(1) << 20;

// MakeThumbnailImage behind the private thumbnail cache, with the same results and the same
// guarantees: safe on any thread at once, never throws, and no failure of the cache fails a
// thumbnail.
//
// A hit needs the whole key to match (path, device, inode, size, modification and change
// times, quality) and a master from which the direct make's own path can be taken: the make
// decodes the picture at CoveringDecodeSize of the thumbnail and scales that smoothly, so the
// master must be that decode, or one it divides into whole squares of pixels (the pixels of a
// scaled inverse DCT average to those of a smaller one: 1/4 averaged by 2 x 2 is 1/8). A miss
// makes the thumbnail from the file and keeps what that make decoded as the entry's master,
// written by the calling thread. Some makes are not kept: low quality where the make is cheap
// anyway (an embedded thumbnail, or a picture that fits the cell), a decode larger than
// ThumbnailMasterMaxPixels, and a file changed so recently that a change just after it could
// keep the same change time on a file system's coarse clock.
Thumbnail MakeCachedThumbnail(
    PrivateThumbnailCache& cache, const QString& path, ThumbnailCell cell, ThumbnailOptions options);

} // namespace tarvix

#pragma once

#include <QLoggingCategory>

namespace tarvix {

// Failures the user is spared by design (a cache that cannot keep a thumbnail, a shared
// thumbnail that stays behind) but a maintainer wants to see: warnings on the standard error
// stream, or in the journal; QT_LOGGING_RULES="tarvix.cache.warning=false" silences one area.
Q_DECLARE_LOGGING_CATEGORY(CacheLog) // tarvix.cache: the private thumbnail cache
Q_DECLARE_LOGGING_CATEGORY(ThumbnailsLog) // tarvix.thumbnails: making thumbnails, the shared cache
Q_DECLARE_LOGGING_CATEGORY(WatchLog) // tarvix.watch: keeping up with the folder shown

} // namespace tarvix

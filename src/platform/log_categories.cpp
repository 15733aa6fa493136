#include "platform/log_categories.h"

namespace tarvix {

Q_LOGGING_CATEGORY(CacheLog, "tarvix.cache", QtWarningMsg)
Q_LOGGING_CATEGORY(ThumbnailsLog, "tarvix.thumbnails", QtWarningMsg)
Q_LOGGING_CATEGORY(WatchLog, "tarvix.watch", QtWarningMsg)

} // namespace tarvix

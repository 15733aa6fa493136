#include "engine/log_categories.h"

namespace tarvix {

Q_LOGGING_CATEGORY(TransformLog, "tarvix.transform", QtWarningMsg)
Q_LOGGING_CATEGORY(SettingsLog, "tarvix.settings", QtWarningMsg)

} // namespace tarvix

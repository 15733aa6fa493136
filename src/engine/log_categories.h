#pragma once

#include <QLoggingCategory>

namespace tarvix {

// Failures that reach the user as a short message, or not at all, with what the system said
// about them, for a maintainer (see platform/log_categories.h).
Q_DECLARE_LOGGING_CATEGORY(TransformLog) // tarvix.transform: turning files, backups, times
Q_DECLARE_LOGGING_CATEGORY(SettingsLog) // tarvix.settings: the settings files

} // namespace tarvix

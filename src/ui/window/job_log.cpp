#include "ui/window/job_log.h"

namespace tarvix {

Q_LOGGING_CATEGORY(JobsLog, "tarvix.jobs", QtWarningMsg)

} // namespace tarvix

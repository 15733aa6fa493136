#pragma once

#include "engine/undo_step.h"

#include <QString>

namespace tarvix {

enum class RestoreOutcome {
    Restored, // the file has its bytes, times and permissions from before the step again
    Changed, // no longer what the step wrote (changed, renamed, deleted): left as it is
    Failed, // what the step wrote, but not restored now (busy, a write error, the copy lost)
};

// Puts the bytes a step replaced back into the file, when the file is still exactly what
// the step wrote. Under the lock a turn takes, with the same safe replacement: a process
// killed at any moment leaves the file as the step wrote it or as it was before the step.
// `details` receives what went wrong, for a maintainer.
RestoreOutcome RestoreRecordedFile(const RecordedFile& file, QString* details = nullptr);

} // namespace tarvix

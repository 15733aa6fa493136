#pragma once

#include "engine/undo_step.h"

#include <QByteArrayView>
#include <QString>
#include <functional>
#include <sys/stat.h>

namespace tarvix {

enum class RestoreOutcome {
    Restored, // the file has its bytes, times and permissions from before the step again
    Changed, // no longer what the step wrote (changed, renamed, deleted): left as it is
    Failed, // what the step wrote, but not restored now (busy, a write error, the copy lost)
};

// Puts the bytes a step replaced back into the file, when the file is still exactly what
// the step wrote. Under the lock a turn takes, with the same safe replacement: a process
// killed at any moment leaves the file as the step wrote it or as it was before the step.
// `details` receives what went wrong, for a maintainer. `restored`, when given, hears of a
// restored file's content and of the file as it is now, still under the lock.
RestoreOutcome RestoreRecordedFile(const RecordedFile& file, QString* details = nullptr,
    const std::function<void(QByteArrayView content, const struct stat& now)>& restored = {});

} // namespace tarvix

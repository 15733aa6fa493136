#pragma once

#include "base/unique_fd.h"

#include <QString>
#include <memory>

namespace tarvix {

// A private folder of the running process under a shared root, for what it keeps only while
// it runs. Each one has a lock file beside it in the root, held (flock) for as long as the
// object lives, so that another process can tell the folder of a process that ended without
// cleaning up (crashed, killed) from that of one still running: the kernel lets go of the
// lock when its holder dies, whatever the manner.
class ProcessFolder {
public:
    // Makes the root (and its missing parents) private to the user and a new folder in it,
    // mode 0700; null when the root is not a folder of ours or cannot be written.
    static std::unique_ptr<ProcessFolder> Create(const QString& root);
    ~ProcessFolder(); // the folder is removed with all it holds, then the lock
    ProcessFolder(const ProcessFolder&) = delete;
    ProcessFolder& operator=(const ProcessFolder&) = delete;

    const QString& Path() const { return FPath; }

    // Removes the folders of `root` whose process has ended; those of running processes,
    // and anything else in the root, stay.
    static void RemoveAbandoned(const QString& root);

private:
    ProcessFolder() = default;

    QString FPath;
    QString FLockPath;
    UniqueFd FLock;
};

} // namespace tarvix

#pragma once

#include "base/unique_fd.h"

#include <string>

namespace tarvix {

// A new, nameless file in a folder (O_TMPFILE), so that a process killed while writing it
// leaves nothing behind; where the file system cannot do that, a hidden named file that is
// removed on every failure path. It becomes visible only through LinkAs or RenameOver.
class TempFile {
public:
    // `folder` is where the file lives; `hint` becomes part of a fallback name.
    TempFile(const std::string& folder, const std::string& hint);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Valid() const { return FFd.Valid(); }
    int Error() const { return FError; } // errno of the failed creation
    int Fd() const { return FFd.Get(); }

    // Gives the file the name `target`, failing (EEXIST) when that name exists; 0 or errno.
    int LinkAs(const std::string& target);
    // Gives the file the name `target`, replacing what was there atomically; 0 or errno.
    // The caller holds the target, so that no other process renames over it at once.
    int RenameOver(const std::string& target);

private:
    int LinkUnder(const std::string& name);

    std::string FFolder;
    std::string FHint;
    std::string FNamedPath; // set while the file has a name of its own
    UniqueFd FFd;
    int FError = 0;
};

// The name a file made with `hint` has for the moment between getting a name and being renamed
// over its target; a process killed in that moment leaves a complete new file under it.
std::string PendingName(const std::string& folder, const std::string& hint);
// Removes such a leftover; for a caller that holds the target.
void RemoveInterruptedRename(const std::string& folder, const std::string& hint);

// Writes all of `size` bytes; 0 or errno (ENOSPC can show here or at fsync).
int WriteAll(int fd, const char* data, size_t size);
// Flushes a folder's entries after a rename or link, so the new name survives a crash.
void SyncFolder(const std::string& folder);

} // namespace tarvix

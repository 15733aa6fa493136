#include "platform/temp_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace tarvix {

TempFile::TempFile(const std::string& folder, const std::string& hint)
    : FFolder(folder)
    , FHint(hint)
{
    FFd.Reset(::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (FFd.Valid())
        return;
    // File systems without nameless files: fall back to a hidden name, removed on failure.
    std::string pattern = folder + "/." + hint + ".tarvix-XXXXXX";
    FFd.Reset(::mkostemp(pattern.data(), O_CLOEXEC));
    if (FFd.Valid())
        FNamedPath = pattern;
    else
        FError = errno;
}

TempFile::~TempFile()
{
    if (!FNamedPath.empty())
        ::unlink(FNamedPath.c_str());
}

int TempFile::LinkUnder(const std::string& name)
{
    if (!FNamedPath.empty())
        return ::link(FNamedPath.c_str(), name.c_str()) == 0 ? 0 : errno;
    const std::string self = "/proc/self/fd/" + std::to_string(FFd.Get());
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

int TempFile::LinkAs(const std::string& target)
{
    const int error = LinkUnder(target);
    if (error == 0)
        SyncFolder(FFolder);
    return error;
}

int TempFile::RenameOver(const std::string& target)
{
    if (FNamedPath.empty()) {
        // A nameless file needs a name before it can be renamed over the target. The name
        // is always the same one (the caller holds the target, so nobody else uses it): one
        // that a killed process left behind is known, and replaced here or removed by
        // RemoveInterruptedRename.
        const std::string name = PendingName(FFolder, FHint);
        int error = LinkUnder(name);
        if (error == EEXIST && ::unlink(name.c_str()) == 0)
            error = LinkUnder(name);
        if (error != 0)
            return error;
        FNamedPath = name;
    }
    if (::rename(FNamedPath.c_str(), target.c_str()) != 0)
        return errno;
    FNamedPath.clear();
    SyncFolder(FFolder);
    return 0;
}

std::string PendingName(const std::string& folder, const std::string& hint)
{
    return folder + "/." + hint + ".tarvix-new";
}

void RemoveInterruptedRename(const std::string& folder, const std::string& hint)
{
    ::unlink(PendingName(folder, hint).c_str());
}

int WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

void SyncFolder(const std::string& folder)
{
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid())
        ::fsync(fd.Get());
}

} // namespace tarvix

#include "platform/safe_write.h"

#include "platform/file_copy.h"
#include "platform/temp_file.h"

#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace tarvix {

namespace {

// Copies every extended attribute (ACLs included); false when one cannot be carried over.
bool CopyExtendedAttributes(int from, int to)
{
    const ssize_t size = ::flistxattr(from, nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP;
    std::vector<char> names(size_t(size) + 1);
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got < 0)
        return false;
    for (ssize_t at = 0; at < got; at += ssize_t(std::string(names.data() + at).size()) + 1) {
        const char* name = names.data() + at;
        const ssize_t length = ::fgetxattr(from, name, nullptr, 0);
        if (length < 0)
            return false;
        std::vector<char> value(static_cast<size_t>(length));
        const ssize_t read = ::fgetxattr(from, name, value.data(), value.size());
        if (read < 0 || ::fsetxattr(to, name, value.data(), size_t(read), 0) != 0)
            return false;
    }
    return true;
}

int WritePieces(int fd, const QList<QByteArrayView>& pieces)
{
    for (const QByteArrayView piece : pieces)
        if (const int error = WriteAll(fd, piece.data(), size_t(piece.size())))
            return error;
    return 0;
}

enum class Outcome { Done, Failed, NeedsInPlace };

int SetTimes(int fd, const std::optional<FileTimes>& times)
{
    if (!times)
        return 0;
    const timespec both[2] = { times->Access, times->Modification };
    return ::futimens(fd, both) == 0 ? 0 : errno;
}

Outcome ReplaceByRename(const std::string& real, const std::string& folder, const std::string& name, int original,
    const struct stat& st, const QList<QByteArrayView>& data, const ReplaceOptions& options, int& error)
{
    TempFile temp(folder, name);
    if (!temp.Valid()) {
        error = temp.Error();
        return Outcome::Failed;
    }
    error = WritePieces(temp.Fd(), data);
    if (error)
        return Outcome::Failed;
    struct stat made { };
    if (::fstat(temp.Fd(), &made) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    // A new file belongs to whoever makes it; where owner or group cannot be given back,
    // the old file must be kept and overwritten instead.
    if ((made.st_uid != st.st_uid || made.st_gid != st.st_gid) && ::fchown(temp.Fd(), st.st_uid, st.st_gid) != 0)
        return Outcome::NeedsInPlace;
    if (::fchmod(temp.Fd(), st.st_mode & 07777) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    if (!CopyExtendedAttributes(original, temp.Fd()))
        return Outcome::NeedsInPlace;
    if ((error = SetTimes(temp.Fd(), options.Times)))
        return Outcome::Failed;
    if (::fsync(temp.Fd()) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    error = temp.RenameOver(real);
    return error ? Outcome::Failed : Outcome::Done;
}

int OverwriteWith(int fd, const QList<QByteArrayView>& data, const std::optional<FileTimes>& times, int& timesError)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (const int error = WritePieces(fd, data))
        return error;
    if (::ftruncate(fd, ::lseek(fd, 0, SEEK_CUR)) != 0)
        return errno;
    timesError = SetTimes(fd, times);
    return ::fsync(fd) == 0 ? 0 : errno;
}

// Copies `from` over the whole content of `to`, flushed.
int CopyOver(int from, int to)
{
    const off_t size = ::lseek(from, 0, SEEK_END);
    if (size < 0 || ::lseek(from, 0, SEEK_SET) != 0 || ::lseek(to, 0, SEEK_SET) != 0)
        return errno;
    if (const int error = CopyContent(from, to))
        return error;
    return ::ftruncate(to, size) == 0 && ::fsync(to) == 0 ? 0 : errno;
}

struct RealPath {
    std::string Path;
    std::string Folder;
    std::string Name;
};

std::optional<RealPath> Resolve(const QString& path, int& error)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), resolved)) {
        error = errno;
        return std::nullopt;
    }
    RealPath real { resolved, {}, {} };
    const size_t slash = real.Path.rfind('/');
    real.Folder = slash == 0 ? "/" : real.Path.substr(0, slash);
    real.Name = real.Path.substr(slash + 1);
    return real;
}

// Keeps the inode, and with it hard links, owner and attributes. A flushed copy of the
// original waits beside the file under a name of its own until the new content is on disk;
// it is written back on failure and left in place only when even that fails, or when the
// process dies meanwhile, so nothing is ever lost.
int ReplaceInPlace(const RealPath& real, int original, const struct stat& st, const QList<QByteArrayView>& data,
    const ReplaceOptions& options, int& timesError)
{
    const std::string keep = KeptOriginalPath(real.Folder, real.Name, st.st_ino);
    TempFile copy(real.Folder, real.Name);
    if (!copy.Valid())
        return copy.Error();
    int error = CopyOver(original, copy.Fd());
    if (!error)
        error = copy.LinkAs(keep);
    if (error)
        return error;

    const UniqueFd out(::open(real.Path.c_str(), O_WRONLY | O_CLOEXEC));
    error = out.Valid() ? OverwriteWith(out.Get(), data, options.Times, timesError) : errno;
    if (error && out.Valid() && CopyOver(copy.Fd(), out.Get()) != 0)
        return error; // the copy beside the file is now the only intact original: keep it
    ::unlink(keep.c_str());
    SyncFolder(real.Folder);
    return error;
}

} // namespace

std::string KeptOriginalPath(const std::string& folder, const std::string& name, ino_t inode)
{
    // The inode tells the copy of this very file from one left for an earlier file that
    // has since been replaced under the same name.
    return folder + "/." + name + ".tarvix-original-" + std::to_string(inode);
}

int RestoreInterruptedOverwrite(const QString& path)
{
    int error = 0;
    const std::optional<RealPath> real = Resolve(path, error);
    if (!real)
        return error;
    const UniqueFd file(::open(real->Path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st { };
    if (!file.Valid() || ::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    RemoveInterruptedRename(real->Folder, real->Name);
    const std::string keep = KeptOriginalPath(real->Folder, real->Name, st.st_ino);
    const UniqueFd copy(::open(keep.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat kept { };
    if (!copy.Valid() || ::fstat(copy.Get(), &kept) != 0 || !S_ISREG(kept.st_mode))
        return 0;
    if ((error = CopyOver(copy.Get(), file.Get())))
        return error;
    ::unlink(keep.c_str());
    SyncFolder(real->Folder);
    return 0;
}

int ReplaceFileContent(
    const QString& path, const QList<QByteArrayView>& data, const ReplaceOptions& options, int* timesError)
{
    int ignored = 0;
    int& timesFailure = timesError ? *timesError : ignored;
    timesFailure = 0;
    int error = 0;
    const std::optional<RealPath> real = Resolve(path, error);
    if (!real)
        return error;
    const UniqueFd original(::open(real->Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st { };
    if (!original.Valid() || ::fstat(original.Get(), &st) != 0)
        return errno;
    if (options.Expected && !SameFile(st, *options.Expected))
        return ESTALE;

    if (st.st_nlink <= 1) {
        const Outcome outcome
            = ReplaceByRename(real->Path, real->Folder, real->Name, original.Get(), st, data, options, error);
        if (outcome != Outcome::NeedsInPlace)
            return error;
    }
    return ReplaceInPlace(*real, original.Get(), st, data, options, timesFailure);
}

} // namespace tarvix

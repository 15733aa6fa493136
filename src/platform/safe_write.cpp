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

Outcome ReplaceByRename(const std::string& real, const std::string& folder, const std::string& name, int original,
    const struct stat& st, const QList<QByteArrayView>& data, int& error)
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
    if (::fsync(temp.Fd()) != 0) {
        error = errno;
        return Outcome::Failed;
    }
    error = temp.RenameOver(real);
    return error ? Outcome::Failed : Outcome::Done;
}

int OverwriteWith(int fd, const QList<QByteArrayView>& data)
{
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return errno;
    if (const int error = WritePieces(fd, data))
        return error;
    if (::ftruncate(fd, ::lseek(fd, 0, SEEK_CUR)) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// Keeps the inode, and with it hard links, owner and attributes. A flushed copy of the
// original waits beside the file until the new content is on disk; it is written back on
// failure and left in place only when even that fails, so nothing is ever lost.
int ReplaceInPlace(const std::string& real, const std::string& folder, const std::string& name, int original,
    const QList<QByteArrayView>& data)
{
    const std::string keep = folder + "/." + name + ".tarvix-original-" + std::to_string(::getpid());
    TempFile copy(folder, name);
    if (!copy.Valid())
        return copy.Error();
    off_t originalSize = ::lseek(original, 0, SEEK_END);
    int error = originalSize < 0 ? errno : CopyContent(original, copy.Fd());
    if (!error && ::fsync(copy.Fd()) != 0)
        error = errno;
    if (!error)
        error = copy.LinkAs(keep);
    if (error)
        return error;

    const UniqueFd out(::open(real.c_str(), O_WRONLY | O_CLOEXEC));
    error = out.Valid() ? OverwriteWith(out.Get(), data) : errno;
    if (error && out.Valid()) {
        const bool restored = ::lseek(out.Get(), 0, SEEK_SET) == 0 && CopyContent(copy.Fd(), out.Get()) == 0
            && ::ftruncate(out.Get(), originalSize) == 0 && ::fsync(out.Get()) == 0;
        if (!restored)
            return error; // the copy beside the file is now the only intact original: keep it
    }
    ::unlink(keep.c_str());
    SyncFolder(folder);
    return error;
}

} // namespace

int ReplaceFileContent(const QString& path, const QList<QByteArrayView>& data)
{
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(path).constData(), resolved))
        return errno;
    const std::string real(resolved);
    const size_t slash = real.rfind('/');
    const std::string folder = slash == 0 ? "/" : real.substr(0, slash);
    const std::string name = real.substr(slash + 1);

    const UniqueFd original(::open(real.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st { };
    if (!original.Valid() || ::fstat(original.Get(), &st) != 0)
        return errno;

    int error = 0;
    if (st.st_nlink <= 1) {
        const Outcome outcome = ReplaceByRename(real, folder, name, original.Get(), st, data, error);
        if (outcome != Outcome::NeedsInPlace)
            return error;
    }
    return ReplaceInPlace(real, folder, name, original.Get(), data);
}

#include "engine/folder_scan.h"

#include <QFile>
#include <cstring>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

using FolderId = std::pair<dev_t, ino_t>;

QString JoinPath(const QString& folder, const QString& name)
{
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

// Whether the entry is a folder, symbolic links followed, and which one it is.
bool FolderOf(const QByteArray& path, unsigned char type, FolderId& id)
{
    if (type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
        return false;
    struct stat info { };
    if (::stat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    id = { info.st_dev, info.st_ino };
    return true;
}

struct Entry {
    QString Name;
    unsigned char Type;
};

// readdir instead of QDirIterator: the order must be the file system's own, and the entry
// type from the directory spares a stat call for every file. The folder is read whole and
// closed before any subfolder is entered, so that depth costs no open descriptors.
bool ReadFolder(const QString& folder, std::set<FolderId>& visited, bool recursive, std::vector<Entry>& entries)
{
    const QByteArray encoded = QFile::encodeName(folder);
    DIR* dir = ::opendir(encoded.constData());
    if (!dir)
        return false;
    struct stat self { };
    const bool first
        = !recursive || (::fstat(::dirfd(dir), &self) == 0 && visited.insert({ self.st_dev, self.st_ino }).second);
    while (first) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back({ QFile::decodeName(entry->d_name), entry->d_type });
    }
    ::closedir(dir);
    return first;
}

void Walk(const QString& folder, QStringList& list, bool recursive, std::set<FolderId>& visited)
{
    std::vector<Entry> entries;
    if (!ReadFolder(folder, visited, recursive, entries))
        return;
    for (const Entry& entry : entries) {
        const QString path = JoinPath(folder, entry.Name);
        FolderId id;
        if (recursive && FolderOf(QFile::encodeName(path), entry.Type, id) && !visited.count(id))
            Walk(path, list, recursive, visited);
        if (HasJpegExtension(entry.Name))
            list.append(path);
    }
}

} // namespace

bool HasJpegExtension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return false;
    const QStringView extension = QStringView(name).mid(dot);
    return extension.compare(u".jpg", Qt::CaseInsensitive) == 0
        || extension.compare(u".jpeg", Qt::CaseInsensitive) == 0;
}

void ListJpegFiles(const QString& folder, QStringList& list, bool recursive)
{
    if (folder.isEmpty())
        return; // no folder chosen: not the current one, and not the root
    std::set<FolderId> visited;
    Walk(folder, list, recursive, visited);
}

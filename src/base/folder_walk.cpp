#include "base/folder_walk.h"

#include "base/ascii_case.h"
#include "base/file_name.h"

#include <cstring>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace tarvix {

namespace {

using FolderId = std::pair<dev_t, ino_t>;

struct Entry {
    std::string Name;
    unsigned char Type;
};

std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + '/' + name;
}

// Whether the entry is a folder, symbolic links followed, and which one it is.
bool FolderOf(const std::string& path, unsigned char type, FolderId& id)
{
    if (type != DT_DIR && type != DT_LNK && type != DT_UNKNOWN)
        return false;
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    id = { info.st_dev, info.st_ino };
    return true;
}

// readdir keeps the file system's own order, and its entry type spares a stat call for
// every file. The folder is read whole and closed before any subfolder is entered, so that
// depth costs no open descriptors.
bool ReadFolder(const std::string& folder, std::set<FolderId>& visited, bool recursive, std::vector<Entry>& entries,
    const std::atomic_bool* stop)
{
    struct CloseFolder {
        void operator()(DIR* dir) const { ::closedir(dir); }
    };
    const std::unique_ptr<DIR, CloseFolder> owner(::opendir(folder.c_str()));
    DIR* dir = owner.get();
    if (!dir)
        return false;
    struct stat self { };
    const bool first
        = !recursive || (::fstat(::dirfd(dir), &self) == 0 && visited.insert({ self.st_dev, self.st_ino }).second);
    while (first && !(stop && stop->load(std::memory_order_relaxed))) {
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            entries.push_back({ entry->d_name, entry->d_type });
    }
    return first;
}

// False once `found` asked to stop.
bool Walk(const std::string& folder, bool recursive, std::set<FolderId>& visited,
    const std::function<bool(const std::string&)>& found, const std::atomic_bool* stop)
{
    std::vector<Entry> entries;
    if (!ReadFolder(folder, visited, recursive, entries, stop))
        return true;
    for (const Entry& entry : entries) {
        if (stop && stop->load(std::memory_order_relaxed))
            return false;
        const std::string path = JoinPath(folder, entry.Name);
        FolderId id;
        if (recursive && FolderOf(path, entry.Type, id) && !visited.count(id)
            && !Walk(path, recursive, visited, found, stop))
            return false;
        if (HasJpegExtension(entry.Name) && !found(path))
            return false;
    }
    return true;
}

} // namespace

bool HasJpegExtension(std::string_view name)
{
    const size_t dot = ExtensionStart(name);
    if (dot == std::string_view::npos)
        return false;
    const std::string_view extension = name.substr(dot);
    return EqualsIgnoringAsciiCase(extension, ".jpg") || EqualsIgnoringAsciiCase(extension, ".jpeg");
}

void WalkJpegFiles(const std::string& folder, bool recursive, const std::function<bool(const std::string&)>& found,
    const std::atomic_bool* stop)
{
    if (folder.empty())
        return; // no folder chosen: not the current one, and not the root
    std::set<FolderId> visited;
    Walk(folder, recursive, visited, found, stop);
}

} // namespace tarvix

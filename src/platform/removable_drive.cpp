#include "platform/removable_drive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace tarvix {

namespace {

// Limits of the walk through sysfs: how many devices deep (a partition of a mapping of a
// loop device on a partition ...) and how many nodes in all.
constexpr int MaxDepth = 8;
constexpr int MaxNodes = 64;
constexpr qint64 MaxAttributeBytes = 4096;
constexpr qint64 MaxMountInfoBytes = 16 * 1024 * 1024;

// The first line of a sysfs attribute, trimmed; empty when it cannot be read.
QString ReadAttribute(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(MaxAttributeBytes);
    const qsizetype end = bytes.indexOf('\n');
    return QString::fromUtf8(end >= 0 ? bytes.left(end) : bytes).trimmed();
}

// "\040" and the other octal escapes of /proc/self/mountinfo, undone.
QByteArray Unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += char(((a - '0') << 6) | ((b - '0') << 3) | (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

struct Mount {
    dev_t Device = 0;
    QByteArray MountPoint;
    QByteArray Source;
};

// The entries of a mountinfo file: "id parent MAJ:MIN root mountpoint options [optional
// fields...] - fstype source superoptions". Malformed lines are passed over.
QList<Mount> ReadMountInfo(const QString& path)
{
    QList<Mount> mounts;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return mounts;
    // /proc files report a size of 0, so read until the end rather than by size.
    QByteArray text;
    while (text.size() < MaxMountInfoBytes) {
        const QByteArray chunk = file.read(64 * 1024);
        if (chunk.isEmpty())
            break;
        text += chunk;
    }
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 10)
            continue;
        qsizetype dash = -1;
        for (qsizetype i = 6; i < fields.size(); ++i)
            if (fields[i] == "-") {
                dash = i;
                break;
            }
        if (dash < 0 || dash + 2 >= fields.size())
            continue;
        const QList<QByteArray> numbers = fields[2].split(':');
        if (numbers.size() != 2)
            continue;
        bool okMajor = false, okMinor = false;
        const uint maj = numbers[0].toUInt(&okMajor);
        const uint min = numbers[1].toUInt(&okMinor);
        if (!okMajor || !okMinor)
            continue;
        mounts.append({ makedev(maj, min), Unescape(fields[4]), Unescape(fields[dash + 2]) });
    }
    return mounts;
}

// The device number of a mount source that names a block device.
std::optional<dev_t> BlockDeviceOfSource(const QByteArray& source)
{
    if (!source.startsWith('/'))
        return std::nullopt; // "tmpfs", "overlay", a FUSE name
    struct stat st { };
    if (::stat(source.constData(), &st) != 0 || !S_ISBLK(st.st_mode) || major(st.st_rdev) == 0)
        return std::nullopt;
    return st.st_rdev;
}

bool IsUnder(const QByteArray& path, const QByteArray& mountPoint)
{
    if (mountPoint == "/")
        return path.startsWith('/');
    return path == mountPoint || path.startsWith(mountPoint + '/');
}

struct Walk {
    QString SysRoot;
    QString MountInfo;
    int NodesLeft = MaxNodes;
};

bool IsRemovableNode(QString node, int depth, Walk& walk);

bool IsRemovableDevice(dev_t device, int depth, Walk& walk)
{
    const QString link = walk.SysRoot + QStringLiteral("/dev/block/%1:%2").arg(major(device)).arg(minor(device));
    const QString node = QFileInfo(link).canonicalFilePath();
    return !node.isEmpty() && IsRemovableNode(node, depth, walk);
}

bool IsRemovableNode(QString node, int depth, Walk& walk)
{
    if (depth > MaxDepth || --walk.NodesLeft < 0)
        return false;

    // A partition answers for its disk: sdb1 -> sdb, mmcblk0p1 -> mmcblk0, loop0p1 -> loop0.
    if (QFileInfo::exists(node + QStringLiteral("/partition")))
        node = QFileInfo(node).path();

    // A loop device lies where the file it maps lies.
    const QString backing = node + QStringLiteral("/loop/backing_file");
    if (QFileInfo::exists(backing)) {
        const std::optional<dev_t> device = BlockDeviceOf(ReadAttribute(backing), walk.MountInfo);
        return device && IsRemovableDevice(*device, depth + 1, walk);
    }

    // Device-mapper (LUKS, LVM) and md devices lie on their slaves; any removable one counts.
    const QDir slaves(node + QStringLiteral("/slaves"));
    const QFileInfoList entries = slaves.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    if (!entries.isEmpty()) {
        for (const QFileInfo& entry : entries) {
            const QString slave = entry.canonicalFilePath();
            if (!slave.isEmpty() && IsRemovableNode(slave, depth + 1, walk))
                return true;
        }
        return false;
    }

    if (ReadAttribute(node + QStringLiteral("/removable")) == QStringLiteral("1"))
        return true;
    // The MMC block driver reports SD cards as fixed: the card is removable, the reader not.
    return QFileInfo(node).fileName().startsWith(QStringLiteral("mmcblk"))
        && ReadAttribute(node + QStringLiteral("/device/type")) == QStringLiteral("SD");
}

} // namespace

std::optional<dev_t> BlockDeviceOf(const QString& path, const QString& mountInfo)
{
    try {
        if (path.isEmpty())
            return std::nullopt;
        const QByteArray native = QFile::encodeName(path);
        struct stat st { };
        if (::stat(native.constData(), &st) != 0)
            return std::nullopt;
        if (major(st.st_dev) != 0)
            return st.st_dev;

        // No device number of its own: find the mount, first by its number, else as the
        // deepest mount point above the file (btrfs subvolumes have numbers of their own).
        const QList<Mount> mounts = ReadMountInfo(mountInfo);
        for (const Mount& mount : mounts)
            if (mount.Device == st.st_dev)
                return BlockDeviceOfSource(mount.Source);
        const QByteArray canonical = QFile::encodeName(QFileInfo(path).canonicalFilePath());
        const Mount* best = nullptr;
        for (const Mount& mount : mounts)
            if (IsUnder(canonical, mount.MountPoint) && (!best || mount.MountPoint.size() >= best->MountPoint.size()))
                best = &mount;
        return best ? BlockDeviceOfSource(best->Source) : std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

bool IsRemovableBlockDevice(dev_t device, const QString& sysRoot, const QString& mountInfo)
{
    try {
        Walk walk { sysRoot, mountInfo };
        return IsRemovableDevice(device, 0, walk);
    } catch (...) {
        return false;
    }
}

bool IsOnRemovableDrive(const QString& path, const QString& sysRoot, const QString& mountInfo)
{
    try {
        const std::optional<dev_t> device = BlockDeviceOf(path, mountInfo);
        return device && IsRemovableBlockDevice(*device, sysRoot, mountInfo);
    } catch (...) {
        return false;
    }
}

} // namespace tarvix

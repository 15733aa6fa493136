#include "platform/removable_drive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace tarvix;

namespace {

void WriteText(const QString& path, const QByteArray& text)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(text);
}

// A fake sysfs: devices under devices/..., reached through dev/block/MAJ:MIN links, as in
// the real tree.
class FakeSysfs {
public:
    FakeSysfs() { QDir().mkpath(Root() + "/dev/block"); }
    QString Root() const { return FDir.path(); }

    // A disk (relative path under devices/, e.g. "pci/usb1/block/sdb").
    QString AddDisk(const QString& node, dev_t device, const QByteArray& removable)
    {
        const QString dir = Root() + "/devices/" + node;
        WriteText(dir + "/removable", removable + "\n");
        Link(dir, device);
        return dir;
    }
    // A partition inside its disk's folder: it has a "partition" file and no "removable".
    QString AddPartition(const QString& disk, const QString& name, dev_t device)
    {
        const QString dir = disk + "/" + name;
        WriteText(dir + "/partition", "1\n");
        Link(dir, device);
        return dir;
    }
    void AddSlave(const QString& holder, const QString& slave)
    {
        QDir().mkpath(holder + "/slaves");
        QFile::link(slave, holder + "/slaves/" + QFileInfo(slave).fileName());
    }
    void Link(const QString& dir, dev_t device)
    {
        const QString link = Root() + QStringLiteral("/dev/block/%1:%2").arg(major(device)).arg(minor(device));
        QFile::remove(link);
        ASSERT_TRUE(QFile::link(dir, link));
    }

private:
    QTemporaryDir FDir;
};

// What the kernel itself says of a plain disk or a partition of one (no mapping, no loop
// device, no card reader): the disk's removable flag. Nothing for any other device.
std::optional<bool> KernelRemovableFlag(dev_t device)
{
    QString node
        = QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major(device)).arg(minor(device))).canonicalFilePath();
    if (node.isEmpty())
        return std::nullopt;
    if (QFileInfo::exists(node + "/partition"))
        node = QFileInfo(node).path();
    if (QFileInfo::exists(node + "/loop") || QFileInfo(node).fileName().startsWith("mmcblk")
        || !QDir(node + "/slaves").isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        return std::nullopt;
    QFile file(node + "/removable");
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray flag = file.readAll().trimmed();
    if (flag != "0" && flag != "1")
        return std::nullopt;
    return flag == "1";
}

} // namespace

TEST(RemovableDrive, UsbDiskItsPartitionAndAtaDisks)
{
    FakeSysfs sys;
    const QString sdb = sys.AddDisk("pci0000:00/usb1/1-1/host6/block/sdb", makedev(8, 16), "1");
    sys.AddPartition(sdb, "sdb1", makedev(8, 17));
    const QString sda = sys.AddDisk("pci0000:00/ata1/host0/block/sda", makedev(8, 0), "0");
    sys.AddPartition(sda, "sda2", makedev(8, 2));

    EXPECT_TRUE(IsRemovableBlockDevice(makedev(8, 16), sys.Root()));
    EXPECT_TRUE(IsRemovableBlockDevice(makedev(8, 17), sys.Root()));
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(8, 0), sys.Root()));
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(8, 2), sys.Root()));
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(9, 9), sys.Root())); // unknown device
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(8, 16), sys.Root() + "/missing"));
}

TEST(RemovableDrive, DeviceMapperFollowsItsSlaves)
{
    FakeSysfs sys;
    const QString sdb = sys.AddDisk("pci0000:00/usb1/1-1/host6/block/sdb", makedev(8, 16), "1");
    const QString sdb1 = sys.AddPartition(sdb, "sdb1", makedev(8, 17));
    const QString sda = sys.AddDisk("pci0000:00/ata1/host0/block/sda", makedev(8, 0), "0");
    const QString sda2 = sys.AddPartition(sda, "sda2", makedev(8, 2));

    // dm-0: LUKS on the USB partition; dm-1: LVM on the ATA partition; dm-2 on dm-0 and sda2.
    const QString dm0 = sys.AddDisk("virtual/block/dm-0", makedev(254, 0), "0");
    sys.AddSlave(dm0, sdb1);
    const QString dm1 = sys.AddDisk("virtual/block/dm-1", makedev(254, 1), "0");
    sys.AddSlave(dm1, sda2);
    const QString dm2 = sys.AddDisk("virtual/block/dm-2", makedev(254, 2), "0");
    sys.AddSlave(dm2, sda2);
    sys.AddSlave(dm2, dm0);

    EXPECT_TRUE(IsRemovableBlockDevice(makedev(254, 0), sys.Root()));
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(254, 1), sys.Root()));
    EXPECT_TRUE(IsRemovableBlockDevice(makedev(254, 2), sys.Root()));
}

TEST(RemovableDrive, CyclesAndDeepChainsEndWithoutAnAnswer)
{
    FakeSysfs sys;
    // Impossible in a real sysfs, but a walk must still end: two devices each other's slave.
    const QString a = sys.AddDisk("virtual/block/dm-8", makedev(254, 8), "1");
    const QString b = sys.AddDisk("virtual/block/dm-9", makedev(254, 9), "1");
    sys.AddSlave(a, b);
    sys.AddSlave(b, a);
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(254, 8), sys.Root()));

    // A chain of 20 mappings down to a USB disk is deeper than the walk goes.
    const QString usb = sys.AddDisk("pci0000:00/usb1/block/sdc", makedev(8, 32), "1");
    QString below = usb;
    for (int i = 0; i < 20; ++i) {
        const QString dm = sys.AddDisk(QStringLiteral("virtual/block/dm-%1").arg(20 + i), makedev(254, 20 + i), "0");
        sys.AddSlave(dm, below);
        below = dm;
    }
    EXPECT_TRUE(IsRemovableBlockDevice(makedev(254, 21), sys.Root())); // two steps: found
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(254, 39), sys.Root())); // twenty: given up
}

TEST(RemovableDrive, SdCardBehindAnMmcHostIsRemovableEmmcIsNot)
{
    FakeSysfs sys;
    const QString sd = sys.AddDisk("platform/mmc0/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0", makedev(179, 0), "0");
    WriteText(sd + "/device/type", "SD\n");
    sys.AddPartition(sd, "mmcblk0p1", makedev(179, 1));
    const QString emmc = sys.AddDisk("platform/mmc1/mmc_host/mmc1/mmc1:0001/block/mmcblk1", makedev(179, 8), "0");
    WriteText(emmc + "/device/type", "MMC\n");
    sys.AddPartition(emmc, "mmcblk1p1", makedev(179, 9));

    EXPECT_TRUE(IsRemovableBlockDevice(makedev(179, 1), sys.Root()));
    EXPECT_FALSE(IsRemovableBlockDevice(makedev(179, 9), sys.Root()));
}

TEST(RemovableDrive, LoopDeviceLiesWhereItsBackingFileLies)
{
    QTemporaryDir dir;
    const QString image = dir.filePath("disk.img");
    WriteText(image, "image");
    const std::optional<dev_t> under = BlockDeviceOf(image);
    if (!under)
        GTEST_SKIP() << "the temporary folder has no block device underneath";

    for (const QByteArray& removable : { QByteArray("1"), QByteArray("0") }) {
        SCOPED_TRACE("disk removable=" + removable.toStdString());
        FakeSysfs sys;
        sys.AddDisk("pci0000:00/usb1/block/sdz", *under, removable);
        const QString loop = sys.AddDisk("virtual/block/loop0", makedev(7, 0), "0");
        WriteText(loop + "/loop/backing_file", image.toUtf8() + "\n");
        sys.AddPartition(loop, "loop0p1", makedev(259, 0));
        // A loop device whose backing file is gone.
        const QString gone = sys.AddDisk("virtual/block/loop1", makedev(7, 1), "1");
        WriteText(gone + "/loop/backing_file", dir.filePath("gone.img").toUtf8() + " (deleted)\n");

        EXPECT_EQ(IsRemovableBlockDevice(makedev(7, 0), sys.Root()), removable == "1");
        EXPECT_EQ(IsRemovableBlockDevice(makedev(259, 0), sys.Root()), removable == "1");
        EXPECT_FALSE(IsRemovableBlockDevice(makedev(7, 1), sys.Root()));
    }
}

TEST(RemovableDrive, PathIsMappedToItsDevice)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("tarvix");
    WriteText(file, "program");
    EXPECT_FALSE(IsOnRemovableDrive(dir.filePath("missing")));
    EXPECT_FALSE(IsOnRemovableDrive(QString()));
    const std::optional<dev_t> under = BlockDeviceOf(file);
    if (!under)
        GTEST_SKIP() << "the temporary folder has no block device underneath";

    FakeSysfs usb;
    const QString disk = usb.AddDisk("pci0000:00/usb1/block/sdb", makedev(8, 16), "1");
    usb.AddPartition(disk, "sdb1", *under);
    EXPECT_TRUE(IsOnRemovableDrive(file, usb.Root()));
    EXPECT_TRUE(IsOnRemovableDrive(dir.path(), usb.Root()));

    FakeSysfs ata;
    ata.AddDisk("pci0000:00/ata1/block/sda", *under, "0");
    EXPECT_FALSE(IsOnRemovableDrive(file, ata.Root()));
}

TEST(RemovableDrive, MajorZeroFileSystemsAreFoundThroughTheMountTable)
{
    // /proc has no device of its own (major 0); pretend in a fake mount table that its
    // source is a real block device node, if this machine has one.
    struct stat proc { };
    ASSERT_EQ(::stat("/proc", &proc), 0);
    if (major(proc.st_dev) != 0)
        GTEST_SKIP() << "/proc has a device number here";
    QString blockNode;
    for (const QFileInfo& entry : QDir("/dev").entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        struct stat st { };
        if (::stat(QFile::encodeName(entry.filePath()).constData(), &st) == 0 && S_ISBLK(st.st_mode)
            && major(st.st_rdev) != 0) {
            blockNode = entry.filePath();
            break;
        }
    }
    if (blockNode.isEmpty())
        GTEST_SKIP() << "no block device node in /dev";
    struct stat node { };
    ASSERT_EQ(::stat(QFile::encodeName(blockNode).constData(), &node), 0);

    QTemporaryDir dir;
    const QByteArray number = QByteArray::number(major(proc.st_dev)) + ':' + QByteArray::number(minor(proc.st_dev));
    const QByteArray source = QFile::encodeName(blockNode);

    // Found by its number, with optional fields before the separator.
    WriteText(dir.filePath("by-number"),
        "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/other rw\n"
        "21 26 "
            + number + " / /proc rw,relatime shared:12 master:3 - proc " + source + " rw\n");
    EXPECT_EQ(BlockDeviceOf("/proc/self", dir.filePath("by-number")), std::optional<dev_t>(node.st_rdev));

    // Not found by its number: the deepest mount point above the path counts; mount points
    // are written with octal escapes ("\157" is 'o').
    WriteText(dir.filePath("by-place"),
        "26 1 0:999 / / rw - ext4 /dev/nothing-here rw\n"
        "this line is broken\n"
        "21 26 0:998 / /pr\\157c rw - proc "
            + source + " rw\n");
    EXPECT_EQ(BlockDeviceOf("/proc/self", dir.filePath("by-place")), std::optional<dev_t>(node.st_rdev));

    // A source that is no block device, or no mount table at all: nothing.
    WriteText(dir.filePath("virtual"), "21 26 " + number + " / /proc rw - proc proc rw\n");
    EXPECT_EQ(BlockDeviceOf("/proc/self", dir.filePath("virtual")), std::nullopt);
    EXPECT_EQ(BlockDeviceOf("/proc/self", dir.filePath("missing")), std::nullopt);
}

TEST(RemovableDrive, RealSysfsAnswersAsTheKernelsFlagSays)
{
    // The fake trees link with absolute paths; the kernel links relatively and nests its
    // folders differently. Each plain disk and partition of this machine must answer as the
    // kernel flags it, and so must a file on one.
    int checked = 0;
    for (const QFileInfo& link :
        QDir("/sys/dev/block").entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QStringList numbers = link.fileName().split(':');
        if (numbers.size() != 2)
            continue;
        const dev_t device = makedev(numbers[0].toUInt(), numbers[1].toUInt());
        const std::optional<bool> flag = KernelRemovableFlag(device);
        if (!flag)
            continue;
        SCOPED_TRACE(link.fileName().toStdString() + " " + link.canonicalFilePath().toStdString());
        EXPECT_EQ(IsRemovableBlockDevice(device), *flag);
        ++checked;
    }

    const QString source = QStringLiteral(TARVIX_SOURCE_DIR "/CMakeLists.txt");
    const std::optional<dev_t> device = BlockDeviceOf(source);
    if (const std::optional<bool> flag = device ? KernelRemovableFlag(*device) : std::nullopt) {
        SCOPED_TRACE(source.toStdString());
        EXPECT_EQ(IsOnRemovableDrive(source), *flag);
    }
    EXPECT_FALSE(IsOnRemovableDrive("/proc/self/status")); // no block device under /proc
    EXPECT_FALSE(IsOnRemovableDrive(source + ".missing"));
    if (checked == 0)
        GTEST_SKIP() << "no plain disk in /sys/dev/block";
}

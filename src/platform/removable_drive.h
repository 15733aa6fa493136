#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>

namespace tarvix {

// The Linux stand-in for GetDriveTypeW(...) == DRIVE_REMOVABLE: is a file on a removable
// drive (a USB stick, an SD card)? The answer comes from sysfs: the file system's block
// device, or the disk it is a partition of, or what it is built on (the slaves of a
// device-mapper or md device, the backing file of a loop device), has the `removable` flag
// 1. An SD card behind an MMC host (mmcblkN, whose `removable` flag the kernel leaves at 0)
// counts as removable too, as users expect of a card.
//
// Every function here answers false or nothing when something cannot be found or read, is
// bounded in depth and work, and never throws. The sysfs root and the mount table are
// parameters, so tests can pass fake trees.

// True when the file system that holds `path` lies on a removable drive.
bool IsOnRemovableDrive(const QString& path, const QString& sysRoot = QStringLiteral("/sys"),
    const QString& mountInfo = QStringLiteral("/proc/self/mountinfo"));

// True when the block device with this number is (or is built on) a removable drive.
// `mountInfo` is needed for loop devices, whose backing file lives on another device.
bool IsRemovableBlockDevice(dev_t device, const QString& sysRoot = QStringLiteral("/sys"),
    const QString& mountInfo = QStringLiteral("/proc/self/mountinfo"));

// The block device that holds the file system of `path` (links followed): its st_dev, or,
// for file systems without a device number of their own (major 0: btrfs, tmpfs, overlay,
// FUSE), the device of its mount source in `mountInfo` when that source is a block device.
// Nothing when there is none.
std::optional<dev_t> BlockDeviceOf(
    const QString& path, const QString& mountInfo = QStringLiteral("/proc/self/mountinfo"));

} // namespace tarvix

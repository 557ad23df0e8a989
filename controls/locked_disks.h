#pragma once
// Disks the user may not read, as both recovery windows list them and open
// them on request: a caption and a reason for the drive trees, and the
// request to the desktop's disk service behind an injectable call, so that
// windows and tests need no system bus.
#include <QString>
#include <functional>

#include "controls/disk_service.h"
#include "controls/message_boxes.h"

namespace tarnwell::platform {
struct PhysicalDisk;
}

namespace tarnwell::controls {

// Asks the disk service to open a block device (kernel name) read-only.
using DiskOpenRequest = std::function<DiskServiceAnswer(const QString& kernelName)>;
// The request over the system bus.
DiskOpenRequest SystemDiskService();

// What a window asks the world when a locked disk is chosen.
struct LockedDiskSeams {
  DiskOpenRequest request;  // null: the system bus
  bool asRoot = false;      // the program runs as root
};
// The seams of a program run for real: the system bus, the process's user.
LockedDiskSeams SystemLockedDiskSeams();

// "sdb  (需要授权)" for the drive trees.
QString LockedDiskCaption(const platform::PhysicalDisk& disk);
// Why the disk cannot be read and what would help, for a tooltip, the
// status line and the log. Once the service has answered, its answer is
// part of it.
QString LockedDiskReason(const platform::PhysicalDisk& disk, bool asRoot);
// Whether the disk service may open it: not when root itself was refused,
// since the service reads disks as root too.
bool DiskServiceMayHelp(const platform::PhysicalDisk& disk, bool asRoot);

// Asks the service for disk `diskIndex` of the device table and hands the
// descriptor to the table. On failure the disk stays locked, its note says
// why, and `message` says why and what the user can do instead.
struct LockedDiskOutcome {
  bool opened = false;
  QString message;
};
LockedDiskOutcome OpenLockedDisk(int diskIndex, const LockedDiskSeams& seams);

// What a window does when the user chooses a locked disk: explains why it
// cannot be read and, where the service may help, asks whether to open it
// through the service; the outcome goes to `log` and, when it failed, to an
// error box. True when the disk was opened (its volumes have letters now).
bool OfferToOpenLockedDisk(QWidget* parent, int diskIndex, const LockedDiskSeams& seams, const QuestionAsker& ask,
                           const BoxShower& showBox, const std::function<void(const QString&, bool error)>& log);

}  // namespace tarnwell::controls

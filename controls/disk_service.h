#pragma once
// Opening disks the user may not read through the desktop's disk service
// (UDisks2 over D-Bus), which asks the user for authorisation through
// polkit and hands back a read-only descriptor. Only the windows ask: the
// command-line front end tells the user to use sudo instead.
#include <QDBusConnection>
#include <QString>

#include "platform/unique_fd.h"

namespace tarnwell::controls {

struct DiskServiceAnswer {
  platform::UniqueFd descriptor;  // valid when the service opened the disk
  QString error;                  // why not, otherwise
};

// The service's object path of a block device by its kernel name
// ("sdb" -> /org/freedesktop/UDisks2/block_devices/sdb; bytes other than
// letters and digits are escaped as _XX, as the service names them).
QString DiskServiceObjectPath(const QString& kernelName);

// Asks the service on `bus` to open the device for reading ("r"), allowing
// it to ask the user for authorisation. Waits for the answer while the
// windows keep painting.
DiskServiceAnswer OpenThroughDiskService(const QDBusConnection& bus, const QString& kernelName);

}  // namespace tarnwell::controls

#include "controls/locked_disks.h"

#include <QDBusConnection>
#include <cerrno>
#include <cstring>

#include "platform/device_table.h"

namespace tarnwell::controls {
namespace {

QString DevicePathOf(const platform::PhysicalDisk& disk) {
  return QString::fromStdString(disk.origin.path.empty() ? disk.name : disk.origin.path);
}

// Root refused by the kernel: a lockdown, a security module or a device
// that refuses itself. No user or group change reaches past that.
bool RootRefused(const platform::PhysicalDisk& disk, bool asRoot) {
  return asRoot && (disk.openError == EPERM || disk.openError == EACCES);
}

QString RefusalText(const platform::PhysicalDisk& disk) {
  const int error = disk.openError ? disk.openError : EACCES;
  return QStringLiteral("%1 (%2)").arg(QString::fromLocal8Bit(std::strerror(error)),
                                       error == EPERM ? QStringLiteral("EPERM") : QStringLiteral("EACCES"));
}

const QString kUserAdvice =
    QStringLiteral("可以用 sudo 运行本程序，或将用户加入 disk 组（sudo adduser 用户名 disk，重新登录后生效）。");

}  // namespace

DiskOpenRequest SystemDiskService() {
  return [](const QString& kernelName) { return OpenThroughDiskService(QDBusConnection::systemBus(), kernelName); };
}

LockedDiskSeams SystemLockedDiskSeams() { return {SystemDiskService(), platform::RunningAsRoot()}; }

QString LockedDiskCaption(const platform::PhysicalDisk& disk) {
  return QStringLiteral("%1  (需要授权)").arg(QString::fromStdString(disk.name));
}

bool DiskServiceMayHelp(const platform::PhysicalDisk& disk, bool asRoot) { return !RootRefused(disk, asRoot); }

QString LockedDiskReason(const platform::PhysicalDisk& disk, bool asRoot) {
  const QString device = DevicePathOf(disk);
  if (RootRefused(disk, asRoot))
    return QStringLiteral("以 root 身份运行，内核仍拒绝读取 %1：%2。这不是用户权限的问题，sudo 或 disk 组都无济于事；"
                          "请检查内核锁定模式、安全模块（AppArmor、SELinux）或设备本身。")
        .arg(device, RefusalText(disk));
  QString text = QStringLiteral("没有读取 %1 的权限：%2。").arg(device, RefusalText(disk));
  if (!disk.authorisationNote.empty())
    return text + QStringLiteral("通过系统磁盘服务打开失败：%1。").arg(QString::fromStdString(disk.authorisationNote)) +
           kUserAdvice;
  return text + QStringLiteral("选中它可通过系统磁盘服务 (UDisks2) 以只读方式打开（需要授权），或者") + kUserAdvice;
}

LockedDiskOutcome OpenLockedDisk(int diskIndex, const LockedDiskSeams& seams) {
  auto& table = platform::DeviceTable::Instance();
  const platform::PhysicalDisk* disk = table.Disk(diskIndex);
  if (!disk || !disk->needsAuthorisation) return {disk != nullptr, {}};
  const QString device = DevicePathOf(*disk);
  if (!DiskServiceMayHelp(*disk, seams.asRoot)) return {false, LockedDiskReason(*disk, seams.asRoot)};
  const DiskOpenRequest request = seams.request ? seams.request : SystemDiskService();
  DiskServiceAnswer answer = request(QString::fromStdString(disk->name));
  if (answer.descriptor.valid() && table.AuthoriseDisk(diskIndex, std::move(answer.descriptor)))
    return {true, QStringLiteral("已通过系统磁盘服务以只读方式打开 %1").arg(device)};
  // A descriptor the table would not take was not read-only.
  const QString reason = answer.error.isEmpty() ? QStringLiteral("系统磁盘服务交回的描述符不是只读的，未使用")
                                                : answer.error;
  table.SetAuthorisationNote(diskIndex, reason.toStdString());
  QString message = QStringLiteral("无法通过系统磁盘服务打开 %1：%2。").arg(device, reason);
  // Root refused by the service: the service's own policy, not the user's
  // rights; sudo would change nothing.
  if (!seams.asRoot) message += kUserAdvice;
  return {false, message};
}

bool OfferToOpenLockedDisk(QWidget* parent, int diskIndex, const LockedDiskSeams& seams, const QuestionAsker& ask,
                           const BoxShower& showBox, const std::function<void(const QString&, bool error)>& log) {
  const platform::PhysicalDisk* disk = platform::DeviceTable::Instance().Disk(diskIndex);
  if (!disk || !disk->needsAuthorisation) return false;
  const QString reason = LockedDiskReason(*disk, seams.asRoot);
  if (!DiskServiceMayHelp(*disk, seams.asRoot)) {
    log(reason, true);
    showBox(parent, BoxKind::kError, reason);
    return false;
  }
  const QString question = QStringLiteral("没有读取 %1 的权限。\n\n是否通过系统磁盘服务 (UDisks2) 以只读方式打开它？"
                                          "系统会要求您授权。")
                               .arg(DevicePathOf(*disk));
  if (!ask(parent, question)) return false;
  const LockedDiskOutcome outcome = OpenLockedDisk(diskIndex, seams);
  log(outcome.message, !outcome.opened);
  if (!outcome.opened) showBox(parent, BoxKind::kError, outcome.message);
  return outcome.opened;
}

}  // namespace tarnwell::controls

#include "controls/disk_service.h"

#include <fcntl.h>

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include "platform/device_table.h"

namespace tarnwell::controls {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
const QString kBlockInterface = QStringLiteral("org.freedesktop.UDisks2.Block");
// Long enough for a user to read the authorisation dialog and type a
// password.
constexpr int kAnswerTimeoutMs = 5 * 60 * 1000;

QString ReasonOf(const QDBusMessage& reply) {
  const QString name = reply.errorName();
  if (name == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
      name == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"))
    return QStringLiteral("the desktop's disk service (UDisks2) is not running");
  if (name.startsWith(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorized")))
    return QStringLiteral("the disk service refused authorisation");
  if (name == QStringLiteral("org.freedesktop.DBus.Error.UnknownObject") ||
      name == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"))
    return QStringLiteral("the disk service does not know this disk");
  return QStringLiteral("the disk service answered: %1").arg(reply.errorMessage());
}

}  // namespace

QString DiskServiceObjectPath(const QString& kernelName) {
  QString path = QStringLiteral("/org/freedesktop/UDisks2/block_devices/");
  for (const char byte : kernelName.toUtf8()) {
    const auto c = static_cast<unsigned char>(byte);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
      path += QLatin1Char(static_cast<char>(c));
    else
      path += QStringLiteral("_%1").arg(c, 2, 16, QLatin1Char('0'));
  }
  return path;
}

DiskServiceAnswer OpenThroughDiskService(const QDBusConnection& bus, const QString& kernelName) {
  DiskServiceAnswer answer;
  if (!bus.isConnected()) {
    answer.error = QStringLiteral("no connection to the system bus");
    return answer;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kService, DiskServiceObjectPath(kernelName),
                                                     kBlockInterface, QStringLiteral("OpenDevice"));
  call << QStringLiteral("r") << QVariantMap();
  call.setInteractiveAuthorizationAllowed(true);
  const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, kAnswerTimeoutMs);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    answer.error = ReasonOf(reply);
    return answer;
  }
  const QList<QVariant> values = reply.arguments();
  if (values.isEmpty() || !values.first().canConvert<QDBusUnixFileDescriptor>()) {
    answer.error = QStringLiteral("the disk service sent no descriptor");
    return answer;
  }
  // The message owns its descriptor; keep a duplicate of our own.
  const auto handed = qvariant_cast<QDBusUnixFileDescriptor>(values.first());
  if (handed.isValid()) answer.descriptor.reset(::fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0));
  if (!answer.descriptor.valid()) answer.error = QStringLiteral("the disk service sent no descriptor");
  return answer;
}

int AuthoriseLockedDisks(const QDBusConnection& bus, const std::function<void(const QString&)>& log) {
  auto& table = platform::DeviceTable::Instance();
  int opened = 0;
  for (int index = 0; index < static_cast<int>(table.Disks().size()); ++index) {
    const platform::PhysicalDisk& disk = table.Disks()[static_cast<size_t>(index)];
    if (!disk.needsAuthorisation) continue;
    const QString device = QString::fromStdString(disk.origin.path);
    DiskServiceAnswer answer = OpenThroughDiskService(bus, QString::fromStdString(disk.name));
    if (answer.descriptor.valid() && table.AuthoriseDisk(index, std::move(answer.descriptor))) {
      ++opened;
      continue;
    }
    // AuthoriseDisk notes a descriptor that was not read-only itself.
    QString reason = answer.error;
    if (reason.isEmpty()) reason = QString::fromStdString(table.Disks()[static_cast<size_t>(index)].authorisationNote);
    table.SetAuthorisationNote(index, reason.toStdString());
    if (log)
      log(QStringLiteral("%1: %2. Run the program with sudo, or add the user to the disk group.")
              .arg(device, reason));
  }
  return opened;
}

}  // namespace tarnwell::controls

#include "controls/disk_service.h"

#include <fcntl.h>

#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>


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
    return QStringLiteral("系统磁盘服务 (UDisks2) 未运行");
  if (name.startsWith(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorized")))
    return QStringLiteral("系统磁盘服务拒绝了授权");
  if (name == QStringLiteral("org.freedesktop.DBus.Error.UnknownObject") ||
      name == QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"))
    return QStringLiteral("系统磁盘服务不认识这个磁盘");
  return QStringLiteral("系统磁盘服务回答：%1").arg(reply.errorMessage());
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
    answer.error = QStringLiteral("无法连接系统总线 (D-Bus)");
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
    answer.error = QStringLiteral("系统磁盘服务没有交回描述符");
    return answer;
  }
  // The message owns its descriptor; keep a duplicate of our own.
  const auto handed = qvariant_cast<QDBusUnixFileDescriptor>(values.first());
  if (handed.isValid()) answer.descriptor.reset(::fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0));
  if (!answer.descriptor.valid()) answer.error = QStringLiteral("系统磁盘服务没有交回描述符");
  return answer;
}

}  // namespace tarnwell::controls

// A stand-in for the desktop's disk service on a private bus, for the
// disk-service tests:
//   disk_service_stub BUS_ADDRESS KERNEL_NAME IMAGE MODE
// serves org.freedesktop.UDisks2.Block.OpenDevice on the block object of
// KERNEL_NAME. MODE "grant" opens IMAGE read-only for a caller asking "r"
// (any other mode is refused as the service refuses an unknown mode),
// "refuse" answers NotAuthorized, "writable" hands out a read-write
// descriptor, which a client must not accept.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <cstdio>

#include "controls/disk_service.h"

class BlockObject : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UDisks2.Block")

 public:
  BlockObject(QString image, QString mode) : image_(std::move(image)), mode_(std::move(mode)) {}

 public Q_SLOTS:
  QDBusUnixFileDescriptor OpenDevice(const QString& mode, const QVariantMap& /*options*/) {
    if (mode_ == QStringLiteral("refuse")) {
      sendErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.NotAuthorizedCanObtain"),
                     QStringLiteral("Not authorized to perform operation"));
      return {};
    }
    const bool writable = mode_ == QStringLiteral("writable");
    if (mode != QStringLiteral("r") && !writable) {
      sendErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"), QStringLiteral("Unknown mode"));
      return {};
    }
    const int fd = ::open(image_.toLocal8Bit().constData(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
      sendErrorReply(QStringLiteral("org.freedesktop.UDisks2.Error.Failed"), QStringLiteral("open failed"));
      return {};
    }
    QDBusUnixFileDescriptor out(fd);  // keeps a duplicate
    ::close(fd);
    return out;
  }

 private:
  QString image_, mode_;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s BUS_ADDRESS KERNEL_NAME IMAGE MODE\n", argv[0]);
    return 2;
  }
  QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), QStringLiteral("stub"));
  BlockObject block(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
  if (!bus.isConnected() ||
      !bus.registerObject(tarnwell::controls::DiskServiceObjectPath(QString::fromLocal8Bit(argv[2])), &block,
                          QDBusConnection::ExportAllSlots) ||
      !bus.registerService(QStringLiteral("org.freedesktop.UDisks2"))) {
    std::fprintf(stderr, "disk_service_stub: cannot serve on %s\n", argv[1]);
    return 1;
  }
  return app.exec();
}

#include "disk_service_stub.moc"

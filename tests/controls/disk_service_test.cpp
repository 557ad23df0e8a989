// Opening a disk through the desktop's disk service, against a stand-in
// service on a private bus started here: nothing needs root or the real
// service.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <vector>

#include "controls/disk_service.h"
#include "controls/locked_disks.h"
#include "disk/source_opener.h"
#include "platform/block_devices.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"

namespace tarnwell::controls {
namespace {

const QString kImage = QString::fromStdString(testing::FixturePath("fat/fat16.img"));

std::vector<char> FirstSector(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::vector<char> bytes(512);
  in.read(bytes.data(), 512);
  return bytes;
}

// A private bus with the stand-in service (when a mode is given) on it.
class PrivateBus {
 public:
  explicit PrivateBus(const QString& serviceMode) {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                   QStringLiteral("--address=unix:dir=") + dir_.path()});
    if (!daemon_.waitForStarted(5000) || !daemon_.waitForReadyRead(5000)) return;
    address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    if (!serviceMode.isEmpty()) {
      service_.start(QStringLiteral(TARNWELL_DISK_SERVICE_STUB),
                     {address_, QStringLiteral("sdz"), kImage, serviceMode});
      service_.waitForStarted(5000);
    }
    bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, QStringLiteral("client")));
    // The service is ready once its name is on the bus.
    QElapsedTimer waited;
    waited.start();
    while (!serviceMode.isEmpty() && waited.elapsed() < 10000 &&
           !bus_->interface()->isServiceRegistered(QStringLiteral("org.freedesktop.UDisks2")))
      QThread::msleep(20);
  }
  ~PrivateBus() {
    bus_.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    for (QProcess* p : {&service_, &daemon_}) {
      p->terminate();
      p->waitForFinished(3000);
    }
  }
  const QDBusConnection& Bus() const { return *bus_; }
  bool Connected() const { return bus_ && bus_->isConnected(); }

 private:
  QTemporaryDir dir_;
  QProcess daemon_, service_;
  QString address_;
  std::unique_ptr<QDBusConnection> bus_;
};

LockedDiskSeams SeamsOver(const QDBusConnection& bus, bool asRoot = false) {
  return {[&bus](const QString& name) { return OpenThroughDiskService(bus, name); }, asRoot};
}

// One locked whole disk "sdz" whose device node the user may not open.
void ListLockedDisk(int error = EACCES) {
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  platform::BlockDeviceInfo info;
  info.kernelName = "sdz";
  info.devicePath = "/dev/sdz";
  info.sizeBytes = 4096;
  table.AddBlockDevices({info}, [error](const std::string&) {
    errno = error;
    return platform::UniqueFd();
  });
}

TEST(DiskServiceTest, ObjectPathsEscapeAsTheServiceNamesThem) {
  EXPECT_EQ(DiskServiceObjectPath(QStringLiteral("nvme0n1")),
            QStringLiteral("/org/freedesktop/UDisks2/block_devices/nvme0n1"));
  EXPECT_EQ(DiskServiceObjectPath(QStringLiteral("dm-0")), QStringLiteral("/org/freedesktop/UDisks2/block_devices/dm_2d0"));
}

TEST(DiskServiceTest, GrantedDescriptorBecomesTheReadOnlySectorSource) {
  PrivateBus bus(QStringLiteral("grant"));
  ASSERT_TRUE(bus.Connected());

  DiskServiceAnswer answer = OpenThroughDiskService(bus.Bus(), QStringLiteral("sdz"));
  ASSERT_TRUE(answer.descriptor.valid()) << answer.error.toStdString();
  EXPECT_EQ(::fcntl(answer.descriptor.get(), F_GETFL) & O_ACCMODE, O_RDONLY);

  ListLockedDisk();
  auto& table = platform::DeviceTable::Instance();
  ASSERT_EQ(table.Disks().size(), 1u);
  EXPECT_TRUE(table.Disks()[0].needsAuthorisation);
  EXPECT_TRUE(table.Volumes().empty());
  EXPECT_EQ(disk::OpenSourceForDriveCode(0), nullptr);

  const LockedDiskOutcome outcome = OpenLockedDisk(0, SeamsOver(bus.Bus()));
  EXPECT_TRUE(outcome.opened) << outcome.message.toStdString();
  ASSERT_FALSE(table.Disks()[0].needsAuthorisation);
  // The image's own size replaces the kernel's figure, and its volume gets
  // a letter now that it can be read.
  EXPECT_EQ(table.Disks()[0].sizeBytes, static_cast<uint64_t>(QFileInfo(kImage).size()));
  ASSERT_EQ(table.Volumes().size(), 1u);

  auto source = disk::OpenSourceForDriveCode(disk::DriveCodeOfLetter(table.Volumes()[0].letter));
  ASSERT_NE(source, nullptr);
  std::vector<char> sector(512);
  uint32_t got = 0;
  ASSERT_TRUE(source->Read(0, 1, sector.data(), got));
  EXPECT_EQ(got, 512u);
  EXPECT_EQ(sector, FirstSector(kImage));
  table.Reset();
}

TEST(DiskServiceTest, RefusalAbsentServiceAndWritableDescriptorLeaveTheDiskLocked) {
  struct Case {
    QString mode;
    const char* reason;
  } cases[] = {
      {QStringLiteral("refuse"), "拒绝了授权"},
      {QString(), "未运行"},
      {QStringLiteral("writable"), "不是只读"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode.toStdString());
    PrivateBus bus(c.mode);
    ASSERT_TRUE(bus.Connected());
    ListLockedDisk();
    const LockedDiskOutcome outcome = OpenLockedDisk(0, SeamsOver(bus.Bus()));
    EXPECT_FALSE(outcome.opened);
    const auto& disk = platform::DeviceTable::Instance().Disks()[0];
    EXPECT_TRUE(disk.needsAuthorisation);
    EXPECT_NE(disk.authorisationNote.find(c.reason), std::string::npos) << disk.authorisationNote;
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("/dev/sdz")));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("sudo")));
    EXPECT_TRUE(outcome.message.contains(QStringLiteral("disk 组")));
    // The drive trees' tooltip now carries the service's answer.
    EXPECT_TRUE(LockedDiskReason(disk, false).contains(QString::fromStdString(disk.authorisationNote)));
    EXPECT_TRUE(platform::DeviceTable::Instance().Volumes().empty());
  }
  platform::DeviceTable::Instance().Reset();
}

TEST(DiskServiceTest, NoBusSaysSoAndRootIsNeverToldToUseSudo) {
  // No system bus at all: a connection that never connected.
  ListLockedDisk();
  const QDBusConnection nowhere = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"),
                                                                QStringLiteral("nowhere"));
  LockedDiskOutcome outcome = OpenLockedDisk(0, SeamsOver(nowhere));
  EXPECT_FALSE(outcome.opened);
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("系统总线"))) << outcome.message.toStdString();
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("sudo")));
  QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));

  // Root refused by the kernel: the service, root too, is not asked, and
  // the text says why instead of suggesting sudo.
  ListLockedDisk(EPERM);
  int asked = 0;
  LockedDiskSeams seams{[&asked](const QString&) {
                          ++asked;
                          return DiskServiceAnswer{};
                        },
                        true};
  const auto& disk = platform::DeviceTable::Instance().Disks()[0];
  EXPECT_FALSE(DiskServiceMayHelp(disk, true));
  outcome = OpenLockedDisk(0, seams);
  EXPECT_FALSE(outcome.opened);
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("EPERM")));
  EXPECT_TRUE(outcome.message.contains(QStringLiteral("root")));
  EXPECT_FALSE(outcome.message.contains(QStringLiteral("可以用 sudo")));

  // The same disk for a plain user: the service may help, and is offered.
  EXPECT_TRUE(DiskServiceMayHelp(disk, false));
  EXPECT_TRUE(LockedDiskReason(disk, false).contains(QStringLiteral("UDisks2")));
  platform::DeviceTable::Instance().Reset();
}

}  // namespace
}  // namespace tarnwell::controls

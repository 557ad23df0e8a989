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

// One locked whole disk "sdz" whose device node the user may not open.
void ListLockedDisk() {
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  platform::BlockDeviceInfo info;
  info.kernelName = "sdz";
  info.devicePath = "/dev/sdz";
  info.sizeBytes = 4096;
  table.AddBlockDevices({info}, [](const std::string&) {
    errno = EACCES;
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

  std::vector<QString> log;
  EXPECT_EQ(AuthoriseLockedDisks(bus.Bus(), [&](const QString& l) { log.push_back(l); }), 1);
  EXPECT_TRUE(log.empty());
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
      {QStringLiteral("refuse"), "refused authorisation"},
      {QString(), "not running"},
      {QStringLiteral("writable"), "read-only"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode.toStdString());
    PrivateBus bus(c.mode);
    ASSERT_TRUE(bus.Connected());
    ListLockedDisk();
    std::vector<QString> log;
    EXPECT_EQ(AuthoriseLockedDisks(bus.Bus(), [&](const QString& l) { log.push_back(l); }), 0);
    const auto& disk = platform::DeviceTable::Instance().Disks()[0];
    EXPECT_TRUE(disk.needsAuthorisation);
    EXPECT_NE(disk.authorisationNote.find(c.reason), std::string::npos) << disk.authorisationNote;
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].contains(QStringLiteral("/dev/sdz")));
    EXPECT_TRUE(log[0].contains(QStringLiteral("sudo")));
    EXPECT_TRUE(log[0].contains(QStringLiteral("disk group")));
    EXPECT_TRUE(platform::DeviceTable::Instance().Volumes().empty());
  }
  platform::DeviceTable::Instance().Reset();
}

}  // namespace
}  // namespace tarnwell::controls

// Opening disk images from the windows: the recent-images list in the
// settings file, and attaching an image (with the map of a copy beside it)
// as a disk, once.
#include "controls/open_image.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMenu>

#include <filesystem>
#include <fstream>

#include "platform/device_table.h"
#include "tests/support/fixtures.h"

namespace tarnwell::controls {
namespace {

struct ShownBox {
  BoxKind kind;
  QString text;
};

TEST(OpenImage, RecentImagesComeNewestFirstOnceAndAtMostEight) {
  const std::string settings = testing::MakeTempFolder("recent_images") + "/Tarnwell.ini";
  // Another window's settings in the same file stay as they are.
  std::ofstream(settings) << "[Settings]\nOpenDir=1\n";
  EXPECT_TRUE(ReadRecentImages(settings).empty());
  for (int i = 0; i < 10; ++i) RememberRecentImage(settings, QStringLiteral("/cases/disk%1.img").arg(i));
  RememberRecentImage(settings, QStringLiteral("/cases/disk5.img"));  // again: to the front, not twice
  std::vector<QString> images = ReadRecentImages(settings);
  ASSERT_EQ(images.size(), static_cast<size_t>(kMaxRecentImages));
  EXPECT_EQ(images[0], QStringLiteral("/cases/disk5.img"));
  EXPECT_EQ(images[1], QStringLiteral("/cases/disk9.img"));
  EXPECT_EQ(std::count(images.begin(), images.end(), QStringLiteral("/cases/disk5.img")), 1);
  // Ten remembered, the eight newest kept (9 down to 2), 5 moved up.
  EXPECT_EQ(images.back(), QStringLiteral("/cases/disk2.img"));

  ForgetRecentImage(settings, QStringLiteral("/cases/disk9.img"));
  images = ReadRecentImages(settings);
  ASSERT_EQ(images.size(), static_cast<size_t>(kMaxRecentImages - 1));
  EXPECT_EQ(images[1], QStringLiteral("/cases/disk8.img"));
  std::ifstream in(settings);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("OpenDir=1"), std::string::npos);

  // Each entry of the menu opens its own image.
  QMenu menu;
  QString chosen;
  FillRecentImagesMenu(&menu, images, [&chosen](const QString& image) { chosen = image; });
  ASSERT_EQ(menu.actions().size(), static_cast<qsizetype>(images.size()));
  menu.actions()[1]->trigger();
  EXPECT_EQ(chosen, images[1]);
  FillRecentImagesMenu(&menu, {}, [](const QString&) {});
  ASSERT_EQ(menu.actions().size(), 1);
  EXPECT_FALSE(menu.actions()[0]->isEnabled());
}

TEST(OpenImage, AnImageIsAttachedOnceACopyWithItsMapAndAFailureIsSaid) {
  testing::ScopedDeviceTable scope;
  auto& table = platform::DeviceTable::Instance();
  std::vector<ShownBox> boxes;
  const BoxShower shower = [&boxes](QWidget*, BoxKind kind, const QString& text) { boxes.push_back({kind, text}); };
  std::vector<QString> log;
  const auto logger = [&log](const QString& line) { log.push_back(line); };

  const QString plain = QString::fromStdString(testing::FixturePath("fat/fat16.img"));
  EXPECT_EQ(AttachImageFile(nullptr, plain, shower, logger), 0);
  EXPECT_EQ(table.Disks().size(), 1u);
  EXPECT_EQ(table.Disks()[0].origin.readable, nullptr);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_TRUE(boxes.empty());

  // The same image again, even by another spelling of its path.
  const QString again = QString::fromStdString(testing::FixturePath("fat/../fat/fat16.img"));
  EXPECT_EQ(AttachImageFile(nullptr, again, shower, logger), -1);
  EXPECT_EQ(table.Disks().size(), 1u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].kind, BoxKind::kInformation);

  // A copy of a failing disk: only the first 32 KiB were read.
  const std::string folder = testing::MakeTempFolder("open_image_copy");
  const std::string copy = folder + "/sdb.img";
  std::filesystem::copy_file(testing::FixturePath("fat/fat16.img"), copy);
  const auto size = std::filesystem::file_size(copy);
  std::ofstream(copy + ".map") << "# Mapfile\n0x00000000     +\n0x00000000  0x00008000  +\n0x00008000  0x"
                               << std::hex << size - 0x8000 << "  -\n";
  EXPECT_EQ(AttachImageFile(nullptr, QString::fromStdString(copy), shower, logger), 1);
  ASSERT_EQ(table.Disks().size(), 2u);
  ASSERT_NE(table.Disks()[1].origin.readable, nullptr);
  EXPECT_TRUE(log.back().contains(QStringLiteral(".map")));

  // Not an image: an error box with the reason, nothing attached.
  boxes.clear();
  EXPECT_EQ(AttachImageFile(nullptr, QString::fromStdString(folder), shower, logger), -1);
  EXPECT_EQ(AttachImageFile(nullptr, QStringLiteral("/nonexistent/x.img"), shower, logger), -1);
  EXPECT_EQ(table.Disks().size(), 2u);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].kind, BoxKind::kError);
  EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("/nonexistent/x.img")));
}

}  // namespace
}  // namespace tarnwell::controls

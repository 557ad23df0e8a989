// The pieces of the copy-to-image command that need no disk: the rows the
// progress dialog makes of the copy's own status line, the image name a
// disk suggests, and the file offered when that name is taken.
#include <gtest/gtest.h>

#include <fstream>

#include "controls/imaging_command.h"
#include "controls/imaging_dialog.h"
#include "controls/message_boxes.h"
#include "disk/imaging/imaging_report.h"
#include "platform/device_table.h"
#include "tests/support/fixtures.h"

namespace tarnwell::controls {
namespace {

// The rows come from the text the copy writes, so a change of that text
// shows up here rather than as empty rows.
TEST(ImagingStatusRows, SplitTheCopysOwnStatusLine) {
  disk::imaging::ImagingFigures f;
  f.diskBytes = uint64_t{3} << 30;
  f.finishedBytes = uint64_t{1} << 30;
  f.copiedBytes = uint64_t{1} << 30;
  f.seconds = 8;
  f.badAreas = 3;
  f.nonTrimmedBytes = 12 * 1024;
  f.position.phase = disk::imaging::Phase::kCopying;
  f.position.pass = 2;

  ImagingStatusParts parts = SplitImagingStatus(FromSystem(disk::imaging::ImagingStatusText(f)));
  EXPECT_EQ(parts.phase, QStringLiteral("复制 第 2 遍"));
  EXPECT_EQ(parts.copied, QStringLiteral("1.0 GB / 3.0 GB"));
  EXPECT_EQ(parts.rate, QStringLiteral("128.0 MB/秒"));
  EXPECT_EQ(parts.bad, QStringLiteral("3 个 (12.0 KB)"));
  EXPECT_EQ(parts.left, QString());  // nothing to estimate from yet

  f.secondsLeft = 52;
  f.position.phase = disk::imaging::Phase::kScraping;
  parts = SplitImagingStatus(FromSystem(disk::imaging::ImagingStatusText(f)));
  EXPECT_EQ(parts.phase, QStringLiteral("逐扇区读取失败区"));
  EXPECT_FALSE(parts.left.isEmpty());
  EXPECT_FALSE(parts.left.startsWith(QStringLiteral("剩余")));

  // A closing line without figures is all phase.
  parts = SplitImagingStatus(QStringLiteral("无法保存映射文件"));
  EXPECT_EQ(parts.phase, QStringLiteral("无法保存映射文件"));
  EXPECT_TRUE(parts.copied.isEmpty());
}

TEST(ImagingNames, ComeFromTheDisk) {
  platform::PhysicalDisk device;
  device.name = "sdb";
  platform::PhysicalDisk image;
  image.name = "card.E01";
  image.isImage = true;
  platform::PhysicalDisk unnamed;
  unnamed.isImage = true;
  EXPECT_EQ(ImageBaseName(device, 0), "sdb");
  EXPECT_EQ(ImageBaseName(device, 2048), "sdb-2048");
  EXPECT_EQ(ImageBaseName(image, 0), "card");
  EXPECT_EQ(ImageBaseName(unnamed, 63), "disk-63");
}

// A name taken by a file without its map would be refused, so the next one
// is offered; an image with its map is offered as it is, to go on with.
TEST(ImagingNames, OfferTheFirstNameACopyCanUse) {
  const std::string folder = testing::MakeTempFolder("imagenames");
  const auto touch = [&](const std::string& name) { std::ofstream(folder + "/" + name) << "x"; };
  EXPECT_EQ(SuggestedImagePath(folder, "sdb"), folder + "/sdb.img");
  touch("sdb.img");
  EXPECT_EQ(SuggestedImagePath(folder, "sdb"), folder + "/sdb_1.img");
  touch("sdb_1.img.map");  // a map without its image is refused too
  EXPECT_EQ(SuggestedImagePath(folder, "sdb"), folder + "/sdb_2.img");
  touch("sdb.img.map");
  EXPECT_EQ(SuggestedImagePath(folder, "sdb"), folder + "/sdb.img");
}

}  // namespace
}  // namespace tarnwell::controls

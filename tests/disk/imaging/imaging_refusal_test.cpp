// When a copy must not start, it says why and leaves every file as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>

#include "disk/imaging/imaging_report.h"
#include "disk/memory_sector_source.h"
#include "platform/text_codec.h"
#include "tests/disk/imaging/imaging_session.h"

namespace tarnwell::disk::imaging {
namespace {

using testing::FailingSectorSource;
using testing::ImagingSession;

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

struct RefusalCase {
  const char* what;
  std::function<void(ImagingSession&, ImagingRequest&)> setUp;
  ImagingFault fault;
  const char* says;  // part of the message
};

TEST(ImagingRefusal, RefusesAndLeavesEveryFileAsItWas) {
  FailingSectorSource source(64);
  FailingSectorSource huge(uint64_t{1} << 50);  // half an exbibyte
  FailingSectorSource empty(0);
  const RefusalCase cases[] = {
      {"image there, map not", [](ImagingSession& s, ImagingRequest&) { WriteText(s.image, "mine"); },
       ImagingFault::kImageExists, "已存在"},
      {"map there, image not", [](ImagingSession& s, ImagingRequest&) { WriteText(s.map, "0 + 1\n0 512 +\n"); },
       ImagingFault::kMapWithoutImage, "不存在"},
      {"damaged map",
       [](ImagingSession& s, ImagingRequest&) {
         WriteText(s.image, "");
         WriteText(s.map, "# fine\n0 ? 1\n0 512 +\n1024 512 -\n");
       },
       ImagingFault::kMapDamaged, "第 4 行"},
      {"map of a larger disk",
       [](ImagingSession& s, ImagingRequest&) {
         WriteText(s.image, "");
         WriteText(s.map, "0 ? 1\n0 0x10000 +\n");
       },
       ImagingFault::kMapDamaged, "比源大"},
      {"image larger than the disk",
       [](ImagingSession& s, ImagingRequest&) {
         WriteText(s.image, std::string(65 * 512, 'x'));
         WriteText(s.map, "0 ? 1\n0 0x8000 ?\n");
       },
       ImagingFault::kImageLargerThanSource, "比源大"},
      {"image is a link",
       [](ImagingSession& s, ImagingRequest&) {
         WriteText(s.folder + "/elsewhere.img", "");
         ASSERT_EQ(::symlink("elsewhere.img", s.image.c_str()), 0);
         WriteText(s.map, "0 ? 1\n0 0x8000 ?\n");
       },
       ImagingFault::kImageNotRegular, "不是普通文件"},
      {"image and map one file",
       [](ImagingSession& s, ImagingRequest& r) { r.mapPath = s.image; }, ImagingFault::kCannotCreateMap,
       "无法创建映射文件"},
      {"destination on the disk being copied",
       [](ImagingSession& s, ImagingRequest& r) {
         struct stat st {};
         ASSERT_EQ(::stat(s.folder.c_str(), &st), 0);
         r.sourceSpot = platform::StorageSpot{true, st.st_dev, 0};
       },
       ImagingFault::kDestinationOnSource, "位于要复制的磁盘上"},
      {"destination is the source image",
       [](ImagingSession& s, ImagingRequest& r) {
         WriteText(s.image, std::string(64 * 512, 'x'));
         WriteText(s.map, "0 ? 1\n0 0x8000 ?\n");
         struct stat st {};
         ASSERT_EQ(::stat(s.image.c_str(), &st), 0);
         r.sourceSpot = platform::StorageSpot{false, st.st_dev, st.st_ino};
       },
       ImagingFault::kDestinationIsSource, "会改写要复制的源"},
      {"no room", [&huge](ImagingSession&, ImagingRequest& r) { r.source = &huge; }, ImagingFault::kNotEnoughSpace,
       "需要 512.0 PB"},
      {"nothing to copy", [&empty](ImagingSession&, ImagingRequest& r) { r.source = &empty; },
       ImagingFault::kEmptySource, "不含任何扇区"},
  };
  for (const RefusalCase& c : cases) {
    ImagingSession session(std::string("refuse"));
    ImagingRequest request;
    request.source = &source;
    request.imagePath = session.image;
    c.setUp(session, request);
    const bool hadImage = Exists(session.image), hadMap = Exists(session.map);
    const std::string image = hadImage ? testing::ReadTextFile(session.image) : "";
    const std::string map = hadMap ? testing::ReadTextFile(session.map) : "";
    const ImagingResult result = session.imager.Run(request);
    EXPECT_EQ(result.fault, c.fault) << c.what;
    const std::string text = platform::SystemToUtf8(ImagingFaultText(result));
    EXPECT_NE(text.find(c.says), std::string::npos) << c.what << ": " << text;
    EXPECT_EQ(Exists(session.image), hadImage) << c.what;
    EXPECT_EQ(Exists(session.map), hadMap) << c.what;
    if (hadImage) {
      EXPECT_EQ(testing::ReadTextFile(session.image), image) << c.what;
    }
    if (hadMap) {
      EXPECT_EQ(testing::ReadTextFile(session.map), map) << c.what;
    }
    EXPECT_TRUE(source.calls.empty()) << c.what << ": the disk was read";
    EXPECT_TRUE(session.log.lines.empty()) << c.what;
  }
}

// An image of a disk that is mostly empty takes only the room of its data.
TEST(ImagingRefusal, EmptyAreasStayHolesInTheImage) {
  auto bytes = std::make_shared<std::vector<uint8_t>>(size_t{64} << 20, 0);
  std::fill_n(bytes->begin() + (1 << 20), 4096, 0x5A);
  MemorySectorSource source(bytes, 0, bytes->size());
  ImagingSession copy("sparse");
  ASSERT_TRUE(copy.Run(source).Complete());
  EXPECT_EQ(testing::ReadBinaryFile(copy.image), *bytes);
  struct stat st {};
  ASSERT_EQ(::stat(copy.image.c_str(), &st), 0);
  EXPECT_LT(static_cast<uint64_t>(st.st_blocks) * 512, uint64_t{8} << 20);
}

}  // namespace
}  // namespace tarnwell::disk::imaging

// libblkid probes a decoded image through a view that holds only what its
// probes read. On every raw fixture the view must give the partitions and
// labels that probing the whole file gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/blkid_probe.h"
#include "platform/image_content.h"
#include "platform/unique_fd.h"
#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

namespace fs = std::filesystem;

// An image file read as decoded content, counting the bytes asked for.
class FileContent final : public ImageContent {
 public:
  explicit FileContent(const std::string& path)
      : fd_(UniqueFd::OpenReadOnly(path.c_str())), size_(fs::file_size(path)) {}
  std::string FormatName() const override { return "test"; }
  uint64_t SizeBytes() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) override {
    bytesRead += length;
    return ::pread(fd_.get(), buffer, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length);
  }
  uint64_t bytesRead = 0;

 private:
  UniqueFd fd_;
  uint64_t size_;
};

std::vector<std::string> RawFixtures() {
  std::vector<std::string> images;
  for (const auto& entry : fs::recursive_directory_iterator(testing::FixturePath(""))) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".img" || ext == ".raw" || ext == ".dd" || ext == ".bin") &&
        entry.path().string().find("/formats/") == std::string::npos)
      images.push_back(entry.path().string());
  }
  std::sort(images.begin(), images.end());
  return images;
}

TEST(ProbeView, FindsWhatProbingTheWholeFileFinds) {
  const std::vector<std::string> images = RawFixtures();
  ASSERT_GT(images.size(), 20u);
  size_t labelled = 0;
  for (const std::string& image : images) {
    SCOPED_TRACE(image);
    const UniqueFd fd = UniqueFd::OpenReadOnly(image.c_str());
    FileContent content(image);
    const uint64_t size = content.SizeBytes();
    const std::vector<ProbedPartition> whole = ProbePartitions(fd.get(), size);
    const std::vector<ProbedPartition> viewed = ProbePartitions(content);
    ASSERT_EQ(viewed.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i) {
      EXPECT_EQ(viewed[i].startSector, whole[i].startSector) << i;
      EXPECT_EQ(viewed[i].sectorCount, whole[i].sectorCount) << i;
      EXPECT_EQ(viewed[i].extendedContainer, whole[i].extendedContainer) << i;
    }
    std::vector<std::pair<uint64_t, uint64_t>> volumes;
    for (const ProbedPartition& p : whole)
      if (!p.extendedContainer && p.startSector * 512 < size)
        volumes.emplace_back(p.startSector * 512, std::min(p.sectorCount * 512, size - p.startSector * 512));
    if (volumes.empty()) volumes.emplace_back(0, size);
    for (const auto& [offset, length] : volumes) {
      const std::optional<std::string> label = ProbeLabel(fd.get(), offset, length);
      EXPECT_EQ(ProbeLabel(content, offset, length), label) << "volume at " << offset;
      if (label && !label->empty()) ++labelled;
    }
  }
  EXPECT_GT(labelled, 20u) << "the fixtures hold labelled FAT, exFAT and NTFS volumes";
}

// A view reads the regions a probe needs, not the disk.
TEST(ProbeView, ReadsLittleOfALargeDisk) {
  FileContent content(testing::FixturePath("partitions/extended.img"));
  ASSERT_EQ(ProbePartitions(content).size(), 5u);
  EXPECT_LT(content.bytesRead, content.SizeBytes() / 16);
}

// A hostile table: an extended chain whose link leads back to its own
// table, and a GPT header whose array would be enormous. The walk ends.
TEST(ProbeView, EndsOnLoopingChainsAndHugeArrays) {
  std::vector<uint8_t> disk(8 << 20);
  auto slot = [&](uint64_t table, int index, uint8_t type, uint32_t start, uint32_t count) {
    uint8_t* s = disk.data() + table * 512 + 446 + 16 * index;
    s[4] = type;
    std::memcpy(s + 8, &start, 4);
    std::memcpy(s + 12, &count, 4);
    disk[table * 512 + 510] = 0x55;
    disk[table * 512 + 511] = 0xAA;
  };
  slot(0, 0, 0x05, 2048, 8192);
  slot(2048, 0, 0x06, 64, 1024);
  slot(2048, 1, 0x05, 0, 4096);  // the link back to the chain's own first table
  std::memcpy(disk.data() + 512, "EFI PART", 8);
  const uint32_t entries = 0xFFFFFFFF, entrySize = 0xFFFFFFFF;
  std::memcpy(disk.data() + 512 + 80, &entries, 4);
  std::memcpy(disk.data() + 512 + 84, &entrySize, 4);
  FileContent content(testing::WriteTempImage(disk, "hostile"));
  EXPECT_LE(ProbePartitions(content).size(), 3u);
}

}  // namespace
}  // namespace tarnwell::platform

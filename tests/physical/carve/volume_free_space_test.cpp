// The free-cluster maps of FAT12/16/32, exFAT and NTFS volumes against The
// Sleuth Kit's own (blkls -l -e lists every unit as allocated or free).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "disk/file_sector_source.h"
#include "physical/carve/volume_free_space.h"
#include "tests/support/fixtures.h"

namespace tarnwell::physical::carve {
namespace {

struct Oracle {
  bool clusters = false;  // units are clusters (NTFS), else sectors
  std::map<uint64_t, bool> free;
};

Oracle BlklsMap(const std::string& image) {
  Oracle oracle;
  FILE* pipe = ::popen(("blkls -l -e '" + image + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return oracle;
  char line[256];
  while (std::fgets(line, sizeof line, pipe)) {
    const std::string text(line);
    if (text.find("|Cluster") != std::string::npos) oracle.clusters = true;
    unsigned long long addr = 0;
    char state = 0;
    if (std::sscanf(line, "%llu|%c", &addr, &state) == 2) oracle.free[addr] = state == 'f';
  }
  ::pclose(pipe);
  return oracle;
}

TEST(VolumeFreeSpaceTest, FreeClustersAreThoseTheSleuthKitCallsFree) {
  if (std::system("command -v blkls >/dev/null 2>&1") != 0) GTEST_SKIP() << "blkls (sleuthkit) is not installed";
  struct Case {
    const char* image;
    const char* fs;
  } const cases[] = {{"base/fat12-floppy.img", "FAT12"}, {"base/fat16.img", "FAT16"},  {"base/fat32.img", "FAT32"},
                     {"carve/card.img", "FAT16"},        {"exfat/exfat.img", "exFAT"}, {"ntfs/ntfs-mixed.img", "NTFS"}};
  for (const Case& c : cases) {
    const std::string path = testing::FixturePath(c.image);
    const auto source = disk::FileSectorSource::Open(path, 0, testing::ReadBinaryFile(path).size());
    ASSERT_TRUE(source) << c.image;
    const std::unique_ptr<VolumeFreeSpace> map = OpenVolumeFreeSpace(*source);
    ASSERT_TRUE(map) << c.image;
    EXPECT_STREQ(map->FileSystem(), c.fs);
    const Oracle oracle = BlklsMap(path);
    ASSERT_FALSE(oracle.free.empty()) << c.image;
    size_t free = 0, used = 0, differ = 0;
    for (uint64_t s = map->FirstSector(); s < map->EndSector(); s += map->ClusterSectors()) {
      const auto it = oracle.free.find(oracle.clusters ? s / map->ClusterSectors() : s);
      if (it == oracle.free.end()) continue;
      const bool ours = map->IsFree(s);
      (ours ? free : used) += 1;
      differ += ours != it->second;
    }
    EXPECT_EQ(differ, 0u) << c.image;
    EXPECT_GT(free, 0u) << c.image;
    EXPECT_GT(used, 0u) << c.image;
    // Outside the clusters (boot area, FATs) nothing is free.
    EXPECT_FALSE(map->IsFree(0)) << c.image;
  }
}

}  // namespace
}  // namespace tarnwell::physical::carve

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "disk/volume_reader.h"
#include "engine/identify.h"
#include "engine/records.h"
#include "platform/device_table.h"
#include "platform/volume_queries.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine {
namespace {

using testing::FixturePath;

uint8_t KindOfName(const std::string& fs) {
  static const std::map<std::string, uint8_t> kinds = {
      {"FAT12", kFat12}, {"FAT16", kFat16}, {"FAT32", kFat32}, {"NTFS", kNtfs}};
  const auto it = kinds.find(fs);
  return it == kinds.end() ? uint8_t{kUnrecognised} : it->second;
}

// Each fixture image unpacked in the build tree is the one its manifest
// describes, and each volume the manifest names is found where it says,
// with its file system and label.
class FixtureVolumes : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureVolumes, MatchTheirManifest) {
  const auto rows = testing::ManifestRows(std::string(GetParam()) + "/manifest.tsv");
  ASSERT_FALSE(rows.empty());
  std::set<std::string> seenImages;
  std::set<std::string> seenVolumes;
  for (const auto& row : rows) {
    const std::string image = std::string(GetParam()) + "/" + row.image;
    if (row.kind == "image") {
      EXPECT_EQ(testing::Sha256OfFile(FixturePath(image)), row.sha256) << image;
      seenImages.insert(row.image);
      continue;
    }
    if (!seenVolumes.insert(row.image + "#" + row.partition).second) continue;

    testing::ScopedDeviceTable table;
    table.AttachImage(FixturePath(image));
    const uint64_t start = std::stoull(row.startSector);
    const platform::VolumeEntry* volume = nullptr;
    for (const auto& v : platform::DeviceTable::Instance().Volumes())
      if (v.startSector == start) volume = &v;
    ASSERT_NE(volume, nullptr) << image << " partition " << row.partition;
    std::array<uint8_t, 512> sector{};
    const std::string name = std::string(1, volume->letter) + ":";
    ASSERT_TRUE(disk::ReadVolumeSectors(name, 0, 1, sector.data())) << image;
    EXPECT_EQ(AcceptedKind(sector.data()), KindOfName(row.fs)) << image << " partition " << row.partition;
    EXPECT_EQ(platform::QueryVolumeLabel(volume->letter), row.label) << image << " partition " << row.partition;
  }
  // Every image the manifest lists volumes of has its own image row.
  for (const std::string& v : seenVolumes)
    EXPECT_EQ(seenImages.count(v.substr(0, v.find('#'))), 1u) << v;
}

INSTANTIATE_TEST_SUITE_P(Families, FixtureVolumes, ::testing::Values("base", "demo"));

}  // namespace
}  // namespace tarnwell::engine

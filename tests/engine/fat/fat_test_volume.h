#pragma once
// Test helpers: small FAT volumes built byte by byte, and an engine that has
// scanned a volume (crafted or a fixture image).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/entry_helpers.h"
#include "engine/undelete.h"
#include "tests/support/fixtures.h"
#include "tests/support/image_builder.h"
#include "tests/support/recording_window.h"
#include "tests/support/test_drives.h"

namespace tarnwell::testing {

// A FAT volume with one-sector clusters, one FAT and (FAT12/16) a one-sector
// root holding 16 entries. Cluster c's sector is DataStart() + c - 2.
class CraftedFat {
 public:
  CraftedFat(uint8_t kind, uint32_t totalSectors, uint32_t fatSectors)
      : kind_(kind), fatSectors_(fatSectors), image_(static_cast<size_t>(totalSectors) * 512) {
    image_.Put16(11, 512).Put8(13, 1).Put16(14, 1).Put8(16, 1);
    if (kind == engine::kFat32) {
      image_.Put16(17, 0).Put32(32, totalSectors).Put32(36, fatSectors).Put32(44, 2);
      image_.PutText(82, "FAT32   ");
      SetFat(2, 0x0FFFFFFF);  // the root, one cluster
    } else {
      image_.Put16(17, 16).Put16(22, static_cast<uint16_t>(fatSectors));
      if (totalSectors < 65536)
        image_.Put16(19, static_cast<uint16_t>(totalSectors));
      else
        image_.Put32(32, totalSectors);
      image_.PutText(54, kind == engine::kFat12 ? "FAT12   " : "FAT16   ");
    }
    image_.Put8(510, 0x55).Put8(511, 0xAA);
  }

  uint32_t RootSector() const { return 1 + fatSectors_; }
  uint32_t DataStart() const { return kind_ == engine::kFat32 ? 1 + fatSectors_ : 2 + fatSectors_; }
  uint32_t ClusterSector(uint32_t c) const { return DataStart() + c - 2; }

  void SetFat(uint32_t c, uint32_t value) {
    const size_t fat = 512;
    if (kind_ == engine::kFat12) {
      const size_t at = fat + c + c / 2;
      uint16_t pair = static_cast<uint16_t>(image_.Bytes()[at] | (image_.Bytes()[at + 1] << 8));
      pair = (c & 1) ? static_cast<uint16_t>((pair & 0x000F) | (value << 4))
                     : static_cast<uint16_t>((pair & 0xF000) | (value & 0x0FFF));
      image_.Put16(at, pair);
    } else if (kind_ == engine::kFat16) {
      image_.Put16(fat + 2 * c, static_cast<uint16_t>(value));
    } else {
      image_.Put32(fat + 4 * c, value);
    }
  }
  void Chain(const std::vector<uint32_t>& clusters, uint32_t end) {
    for (size_t i = 0; i < clusters.size(); ++i)
      SetFat(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : end);
  }

  // A short entry in slot `slot` of the sector: an 11-byte blank-padded name.
  void Entry(uint32_t sector, uint32_t slot, const std::string& name83, uint8_t attr,
             uint32_t cluster, uint32_t size, uint8_t caseByte = 0) {
    const size_t at = static_cast<size_t>(sector) * 512 + slot * 32;
    std::string n = name83;
    n.resize(11, ' ');
    image_.PutText(at, n).Put8(at + 11, attr).Put8(at + 12, caseByte);
    image_.Put16(at + 20, static_cast<uint16_t>(cluster >> 16));
    image_.Put16(at + 26, static_cast<uint16_t>(cluster & 0xFFFF)).Put32(at + 28, size);
    image_.Put16(at + 24, 0x5861).Put16(at + 22, 0x6000);  // 2024-03-01 12:00:00
  }
  void Raw(uint32_t sector, uint32_t slot, const std::vector<uint8_t>& bytes32) {
    image_.PutBytes(static_cast<size_t>(sector) * 512 + slot * 32, bytes32);
  }
  // "." and ".." at the start of a folder cluster.
  void Dots(uint32_t cluster, uint32_t parent) {
    Entry(ClusterSector(cluster), 0, ".", 0x10, cluster, 0);
    Entry(ClusterSector(cluster), 1, "..", 0x10, parent, 0);
  }
  void Fill(uint32_t sector, uint8_t byte, size_t count = 512) {
    for (size_t i = 0; i < count; ++i) image_.Put8(static_cast<size_t>(sector) * 512 + i, byte);
  }

  std::vector<uint8_t> Take() { return image_.Take(); }
  ImageBuilder& Builder() { return image_; }

 private:
  uint8_t kind_;
  uint32_t fatSectors_;
  ImageBuilder image_;
};

// A FAT16 volume whose folder BOX holds 126 files that all share cluster
// 40 and each claim almost 4 GiB (kCrossLinkedFileClaims): legitimate
// cross-links, together more than any test machine's disk holds.
inline constexpr uint64_t kCrossLinkedFileClaims = 0xFFFFFF00u;
inline constexpr int kCrossLinkedFiles = 126;
inline std::vector<uint8_t> CrossLinkedVolume() {
  CraftedFat v(engine::kFat16, 1 + 8 + 1 + 200, 8);
  v.Entry(v.RootSector(), 0, "BOX        ", 0x10, 12, 0);
  v.Chain({12, 13, 14, 15, 16, 17, 18, 19}, 0xFFFF);
  v.Dots(12, 0);
  v.SetFat(40, 0xFFFF);
  v.Fill(v.ClusterSector(40), 'x');
  int files = 0;
  for (uint32_t c = 12; c <= 19; ++c)
    for (uint32_t slot = c == 12 ? 2 : 0; slot < 16; ++slot) {
      char name[24];
      std::snprintf(name, sizeof name, "F%03d    BIN", files++);
      v.Entry(v.ClusterSector(c), slot, name, 0x20, 40, static_cast<uint32_t>(kCrossLinkedFileClaims));
    }
  return v.Take();
}

// A deleted folder "?ld" and the existing folder "New" that reused its
// first cluster 12, both in the root of a FAT12/16 volume: the cluster
// holds CHILD.TXT (cluster 20, 10 bytes) and the folder SUB (cluster 13),
// which holds DEEP.TXT (cluster 21, 700 bytes).
inline void AddFoldersSharingACluster(CraftedFat& v) {
  constexpr uint8_t kFile = 0x20, kDir = 0x10;
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "\xE5" "LD        ", kDir, 12, 0);
  v.Entry(root, 1, "NEW        ", kDir, 12, 0);
  v.Dots(12, 0);
  v.SetFat(12, 0xFFFF);
  v.Entry(v.ClusterSector(12), 2, "CHILD   TXT", kFile, 20, 10);
  v.Entry(v.ClusterSector(12), 3, "SUB        ", kDir, 13, 0);
  v.Dots(13, 12);
  v.SetFat(13, 0xFFFF);
  v.Entry(v.ClusterSector(13), 2, "DEEP    TXT", kFile, 21, 700);
}

// An engine that scanned one volume (the last of an image).
class ScannedVolume {
 public:
  explicit ScannedVolume(std::vector<uint8_t> bytes) { Scan(MemoryDrive(std::move(bytes))); }
  explicit ScannedVolume(const std::string& imagePath) { Scan(ImageDrive(imagePath)); }

  engine::TUndelete& Engine() { return *engine_; }
  engine::TLogiDrive& Drive() { return *drive_; }
  const engine::FatEntryList& Entries() const { return drive_->FatEntries; }
  bool Scanned() const { return scanned_.Ok(); }
  // Why the scan failed, when it did.
  const disk::Outcome& ScanOutcome() const { return scanned_; }

  // The entry whose display name path (names joined by '/') matches.
  engine::TMidEntry* Find(const std::string& path) {
    for (auto& e : drive_->FatEntries)
      if (PathOf(*e) == path) return e.get();
    return nullptr;
  }
  static std::string PathOf(const engine::TMidEntry& e) {
    std::string path = engine::FatEntryName(e, false);
    int guard = 0;
    for (const engine::TMidEntry* p = e.Parent; p && guard < 64; p = p->Parent, ++guard)
      path = engine::FatEntryName(*p, false) + "/" + path;
    return path;
  }

  RecordingBoxes boxes;
  CountingPump pump;
  RecordingStatus status;
  RecordingLog log;

 private:
  void Scan(std::unique_ptr<engine::TLogiDrive> drive) {
    ASSERT_TRUE(drive->Source);
    engine_ = std::make_unique<engine::TUndelete>(boxes, pump, DriveList(std::move(drive)));
    drive_ = engine_->Drives.front().get();
    engine::NullProgressBar progress;
    scanned_ = engine_->ScanVolume(*drive_, true, status, progress);
  }

  std::unique_ptr<engine::TUndelete> engine_;
  engine::TLogiDrive* drive_ = nullptr;
  disk::Outcome scanned_;
};

}  // namespace tarnwell::testing

#include "physical/raw/fat_geometry.h"

#include <algorithm>
#include <array>
#include <string>

#include "engine/event_log_line.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

struct SizeRow {
  uint64_t megabytes;
  uint32_t sectors;
};
constexpr std::array<SizeRow, 9> kFat16Rows{{{8192, 512}, {4096, 256}, {2048, 128}, {1024, 64},
                                             {512, 32}, {256, 16}, {128, 8}, {16, 4}, {0, 8}}};
constexpr std::array<SizeRow, 10> kFat32Rows{{{16384, 32}, {8192, 16}, {4096, 8}, {2048, 8},
                                              {1025, 8}, {512, 8}, {256, 8}, {128, 4}, {64, 2},
                                              {32, 1}}};

// Stores a cluster-2 sector that fits the field and is not the marker.
bool SetGeometry(TPartiEntry& entry, int64_t clusterSectors, int64_t dataStart) {
  if (clusterSectors <= 0 || clusterSectors > UINT32_MAX) return false;
  if (dataStart < 0) return false;
  entry.FatClusterSectors = static_cast<uint32_t>(clusterSectors);
  entry.FatDataStart = static_cast<uint64_t>(dataStart);
  return true;
}

bool CalibrateFromPair(TPartiEntry& entry, const FoundFatEntry& first, const FoundFatEntry& other) {
  // Lost entries were found in clusters whose folder is unknown: their key
  // is no sector, and says nothing of where clusters lie.
  if (first.DirSector == kLostEntriesSector || other.DirSector == kLostEntriesSector) return false;
  const int64_t e = first.DirCluster, s = static_cast<int64_t>(first.DirSector);
  const int64_t f = other.DirCluster, t = static_cast<int64_t>(other.DirSector);
  if (!((f < e && t < s) || (e < f && s < t))) return false;
  const int64_t clusterSectors = (s - t) / (e - f);
  // Two directories closer in sectors than in clusters cannot both be where
  // they say; a geometry of 0 sectors per cluster would put every file at
  // the same place.
  return SetGeometry(entry, clusterSectors, s - (e - 2) * clusterSectors);
}

void CalibrateFromDefaults(const TPhysicalDrive& drive, TPartiEntry& entry) {
  uint32_t sectors = DefaultClusterSectors(entry.FatKind, entry.SectorCount() / 2048);
  if (drive.IsVolume()) sectors = 1;
  entry.FatClusterSectors = sectors;
  entry.FatDataStart = kDataStartUnknown;
  if (entry.FatEntries.empty()) return;
  const FoundFatEntry& first = *entry.FatEntries.front();
  const int64_t start =
      static_cast<int64_t>(first.DirSector) - (int64_t{first.DirCluster} - 2) * int64_t{sectors};
  if (start >= 0) entry.FatDataStart = static_cast<uint64_t>(start);
}

}  // namespace

uint32_t DefaultClusterSectors(uint8_t fatKind, uint64_t megabytes) {
  if (fatKind == 2) {
    for (const SizeRow& row : kFat32Rows)
      if (row.megabytes <= megabytes) return row.sectors;
    return kFat32Rows.back().sectors;
  }
  for (const SizeRow& row : kFat16Rows)
    if (row.megabytes <= megabytes) return row.sectors;
  return kFat16Rows.back().sectors;
}

bool CalibrateFat(TPhysicalDrive& drive, const FoundFatEntry* first, const FoundFatEntry* other) {
  if (!drive.CurrentPartition) return false;
  TPartiEntry& entry = *drive.CurrentPartition;
  if (first && other) {
    if (!CalibrateFromPair(entry, *first, *other)) return false;
    entry.FatGeometryFrom = FatGeometrySource::kCalibrated;
    return true;
  }
  entry.FatGeometryFrom = FatGeometrySource::kGuessed;
  if (!entry.FatEntries.empty()) {
    const FoundFatEntry& a = *entry.FatEntries.front();
    for (const auto& r : entry.FatEntries) {
      const bool sameWay = (a.DirCluster > r->DirCluster && a.DirSector > r->DirSector) ||
                           (a.DirCluster < r->DirCluster && a.DirSector < r->DirSector);
      // The first pair that agrees decides; one that gives no sound
      // geometry falls back on the defaults below.
      if (sameWay) {
        if (CalibrateFromPair(entry, a, *r)) return true;
        break;
      }
    }
  }
  CalibrateFromDefaults(drive, entry);
  return entry.FatDataStart != kDataStartUnknown;
}

void SettleFatGeometry(TPhysicalDrive& drive, const std::optional<FatGeometry>& boot,
                       std::span<const FolderLandmark> folders) {
  if (!drive.CurrentPartition) return;
  TPartiEntry& entry = *drive.CurrentPartition;
  const auto apply = [&](const FatGeometry& g, FatGeometrySource from) {
    if (!SetGeometry(entry, g.clusterSectors, static_cast<int64_t>(std::min<uint64_t>(g.dataStart, INT64_MAX))))
      return false;
    entry.FatGeometryFrom = from;
    return true;
  };
  size_t byFolders = 0;
  const std::optional<FatGeometry> fromFolders = GeometryFromFolders(folders, entry.FatKind, byFolders);
  const size_t byBoot = boot ? FoldersPlaced(*boot, folders) : 0;
  if (boot && byBoot >= byFolders && apply(*boot, FatGeometrySource::kBootSector)) return;
  if (fromFolders && apply(*fromFolders, FatGeometrySource::kFolders)) {
    if (boot)
      engine::AddLogLine(drive.Window().log,
                         platform::SystemText("引导扇区的 FAT 参数与找到的文件夹不符（文件夹 " +
                                              std::to_string(byBoot) + " 对 " + std::to_string(byFolders) +
                                              "），按文件夹确定"),
                         kLogFailure);
    return;
  }
  CalibrateFat(drive);
  if (entry.FatDataStart != kDataStartUnknown &&
      FoldersPlaced({entry.FatClusterSectors, entry.FatDataStart, entry.FatKind}, folders) >= 2) {
    entry.FatGeometryFrom = FatGeometrySource::kFolders;
    return;
  }
  entry.FatGeometryFrom = FatGeometrySource::kGuessed;
  // Said only where there are FAT folders whose files would be read by it.
  if (folders.empty() && entry.FatEntries.empty()) return;
  engine::AddLogLine(drive.Window().log,
                     platform::SystemText("没有引导扇区，找到的文件夹也不足以确定 FAT 参数：每簇扇区数按卷大小猜测，"
                                          "据此恢复的文件未经验证"),
                     kLogFailure);
}

std::optional<uint64_t> ClusterSector(const TPartiEntry& entry, uint32_t cluster) {
  if (entry.FatDataStart == kDataStartUnknown || cluster < 2) return std::nullopt;
  return uint64_t{cluster - 2} * entry.FatClusterSectors + entry.FatDataStart;
}

}  // namespace tarnwell::physical::raw

// The FAT pass: every directory start found by the landmark pass is read
// and parsed, the geometry worked out, and the root directory added.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <exception>
#include <string>
#include <vector>

#include "disk/device_reader.h"
#include "disk/read_buffer.h"
#include "disk/salvaging_read.h"
#include "disk/sector_source.h"
#include "engine/event_log_line.h"
#include "engine/fat/dir_span.h"
#include "physical/busy_scope.h"
#include "physical/physical_drive.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/fat_geometry_evidence.h"
#include "physical/raw/folder_clusters.h"
#include "physical/raw/raw_fat_table.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

// Floppy volumes: the root directory at sector 19, cluster 2 at 33.
constexpr uint32_t kFloppyMaxSectors = 5760;
constexpr uint32_t kFloppyRootSector = 19;
constexpr uint32_t kFloppyDataStart = 33;

// Reads `sectors` at the address and parses them; a failed read adds nothing.
// A folder's "." cluster is added to `folders` (when given), the evidence
// any geometry is checked against.
// Every folder read is added to `reads`, where its later clusters are
// looked for once the geometry is known.
void ParseDirectoryAt(TPhysicalDrive& drive, disk::DiskDevice& device, bool isRoot, uint64_t address,
                      uint32_t sectors, disk::ReadBuffer& buffer, std::vector<FolderRead>& reads,
                      std::vector<FolderLandmark>* folders = nullptr) {
  TPartiEntry& entry = *drive.CurrentPartition;
  if (entry.FatEntries.size() >= kMaxFoundItems) return;
  buffer.resize(size_t{sectors} * kSectorBytes);
  uint32_t bytesRead = 0;
  // A refused read is taken again in halves; the landmark pass has logged
  // the bad sectors of the range, and their zeros end the directory there.
  std::vector<disk::SectorRun> bad;
  disk::SectorSource* source = device.Source();
  if (!source || !disk::ReadSalvaging(*source, address, sectors, buffer.data(), bytesRead, bad)) {
    engine::AddLogLine(drive.Window().log, platform::SystemText("无法读取扇区 " + std::to_string(address)),
                       kLogFailure);
    return;
  }
  FolderRead read;
  read.sector = address;
  read.isRoot = isRoot;
  read.cluster = 2;
  read.bytesRead = std::min<size_t>(bytesRead, buffer.size());
  if (!isRoot && bytesRead >= engine::kDirEntryBytes) {
    engine::RawDirEntry dot;
    std::copy_n(buffer.data(), engine::kDirEntryBytes, dot.bytes.begin());
    read.cluster = EntryCluster(dot, entry.FatKind);
    if (folders) folders->push_back({address, read.cluster});
  }
  try {
    read.parse = ParseDirectoryBytes(std::span<const uint8_t>(buffer.data(), read.bytesRead), isRoot, entry.FatKind,
                                     address, entry.FatEntries);
    reads.push_back(read);
  } catch (const std::exception& e) {
    drive.Window().boxes.Error(e.what());
  }
  if (entry.FatEntries.size() > kMaxFoundItems) entry.FatEntries.resize(kMaxFoundItems);
}

// A directory ends where the next one found begins, since a "." entry ends
// the parse: reading no further than that spares reading the same sectors
// many times over when directories lie close together.
uint32_t SectorsUntilNext(const std::vector<uint64_t>& starts, size_t i) {
  if (i + 1 < starts.size() && starts[i + 1] > starts[i])
    return static_cast<uint32_t>(std::min<uint64_t>(kDirectoryChunkSectors, starts[i + 1] - starts[i]));
  return kDirectoryChunkSectors;
}

// A FAT32 volume whose folders all lie below cluster 65,536 shows no high
// word in any "." entry, but its files above that cluster show one in their
// entries; FAT12 and FAT16 keep those two bytes zero. An entry whose high
// word is set and whose cluster, so read, lands inside the range settles it.
bool EntryPointsPastLowWord(const TPartiEntry& entry) {
  if (entry.FatDataStart == kDataStartUnknown) return false;
  for (const auto& found : entry.FatEntries) {
    if (found->DirEntry.FirstClusterHigh() == 0) continue;
    const std::optional<uint64_t> sector = ClusterSector(entry, found->DirEntry.FirstCluster32());
    if (sector && *sector >= entry.AbsoluteStart() && *sector < entry.AbsoluteEnd()) return true;
  }
  return false;
}

void AddRootDirectory(TPhysicalDrive& drive, disk::DiskDevice& device, disk::ReadBuffer& buffer,
                      std::vector<FolderRead>& reads) {
  TPartiEntry& entry = *drive.CurrentPartition;
  if (!drive.IsVolume() || entry.SectorCount() > kFloppyMaxSectors) {
    // An undetermined geometry has no root address to read.
    if (entry.FatDataStart == kDataStartUnknown || entry.DirSectors.empty() ||
        entry.DirSectors.front() == entry.FatDataStart)
      return;
    entry.DirSectors.insert(entry.DirSectors.begin(), entry.FatDataStart);
    ParseDirectoryAt(drive, device, true, entry.FatDataStart, kDirectoryChunkSectors, buffer, reads);
    return;
  }
  entry.FatKind = kFatFloppy;
  entry.DirSectors.insert(entry.DirSectors.begin(), kFloppyRootSector);
  entry.FatDataStart = kFloppyDataStart;
  ParseDirectoryAt(drive, device, true, kFloppyRootSector, kDirectoryChunkSectors, buffer, reads);
}

// What the search for folders' later clusters found, when it found any.
void LogFolderExtension(TPhysicalDrive& drive, const FolderExtension& done) {
  if (done.chainClusters > 0)
    engine::AddLogLine(drive.Window().log,
                       platform::SystemText("按 FAT 链读取了 " + std::to_string(done.chainedFolders) + " 个文件夹的 " +
                                            std::to_string(done.chainClusters) + " 个后续簇"),
                       kLogProgress);
  if (done.adjacentClusters > 0)
    engine::AddLogLine(drive.Window().log,
                       platform::SystemText("接续文件夹的相邻目录簇 " + std::to_string(done.adjacentClusters) + " 个"),
                       kLogProgress);
  if (done.lostEntries > 0)
    engine::AddLogLine(drive.Window().log,
                       platform::SystemText("在 " + std::to_string(done.lostClusters) + " 个不属于任何已找到文件夹的目录簇中找到 " +
                                            std::to_string(done.lostEntries) + " 个条目，列于“丢失的条目”"),
                       kLogProgress);
}

}  // namespace

namespace {

// A FAT boot sector at the range's start, or its FAT32 backup at sector 6:
// a quick reformat writes it anew, usually with the old geometry. It also
// says where the FAT lies.
std::optional<FatTableLocation> BootSectorTable(disk::DiskDevice& device, const TPartiEntry& entry) {
  disk::SectorSource* source = device.Source();
  if (!source) return std::nullopt;
  for (const uint64_t at : {uint64_t{0}, uint64_t{6}}) {
    if (at >= entry.SectorCount()) break;
    std::array<uint8_t, kSectorBytes> sector{};
    uint32_t bytesRead = 0;
    if (!source->Read(entry.AbsoluteStart() + at, 1, sector.data(), bytesRead) || bytesRead < kSectorBytes)
      continue;
    if (auto table = FatTableFromBootSector(sector, entry.AbsoluteStart())) return table;
  }
  return std::nullopt;
}

std::vector<FolderLandmark> ParseAllDirectories(TPhysicalDrive& drive, disk::DiskDevice& device,
                                                engine::ProgressBar& progress, disk::ReadBuffer& buffer,
                                                std::vector<FolderRead>& reads) {
  TPartiEntry& entry = *drive.CurrentPartition;
  std::vector<FolderLandmark> folders;
  entry.FatEntries.clear();
  reads.clear();
  const size_t n = entry.DirSectors.size();
  for (size_t i = 0; i < n; ++i) {
    progress.SetPosition(static_cast<int>(std::lround(static_cast<double>(i) / static_cast<double>(n) * 100.0)));
    drive.Window().pump.Pump();
    if (drive.StopRequested) break;
    if (device.IsOpen())
      ParseDirectoryAt(drive, device, false, entry.DirSectors[i], SectorsUntilNext(entry.DirSectors, i),
                       buffer, reads, &folders);
  }
  return folders;
}

}  // namespace

void ReadFatDirectories(TPhysicalDrive& drive, engine::ProgressBar& progress) {
  if (!drive.CurrentPartition) return;
  TPartiEntry& entry = *drive.CurrentPartition;
  BusyScope busy(drive, progress);
  entry.FatMatches.clear();
  // A pass run again finds its lost entries again.
  std::erase(entry.DirSectors, kLostEntriesSector);
  disk::DiskDevice device(entry.DriveCode);
  disk::ReadBuffer buffer;
  // The kind stays the landmark pass's: below cluster 65,536 both read the
  // same clusters.
  const std::optional<FatTableLocation> table = BootSectorTable(device, entry);
  const std::optional<FatGeometry> boot = table ? std::optional<FatGeometry>(table->geometry) : std::nullopt;
  std::vector<FolderRead> reads;
  std::vector<FolderLandmark> folders = ParseAllDirectories(drive, device, progress, buffer, reads);
  SettleFatGeometry(drive, boot, folders);
  if (entry.FatKind == kFat1216 && !drive.StopRequested && EntryPointsPastLowWord(entry)) {
    // The kind decides the folders' own clusters, so the directories are
    // read again as FAT32.
    entry.FatKind = kFat32Kind;
    folders = ParseAllDirectories(drive, device, progress, buffer, reads);
    SettleFatGeometry(drive, boot, folders);
  }
  if (device.IsOpen()) AddRootDirectory(drive, device, buffer, reads);
  if (device.Source() && !drive.StopRequested) LogFolderExtension(drive, ExtendFoundFolders(drive, *device.Source(), table, reads));
  std::stable_sort(entry.FatEntries.begin(), entry.FatEntries.end(),
                   [](const auto& a, const auto& b) { return a->DirSector < b->DirSector; });
}

}  // namespace tarnwell::physical::raw

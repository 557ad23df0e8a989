#include "physical/partition_search.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "common/little_endian.h"
#include "disk/device_reader.h"
#include "disk/sector_source.h"
#include "disk/source_opener.h"
#include "engine/event_log_line.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/identify.h"
#include "engine/records.h"
#include "physical/busy_scope.h"
#include "physical/partition_label.h"
#include "physical/physical_drive.h"
#include "physical/raw/bad_sector_log.h"
#include "physical/raw/range_chunks.h"
#include "platform/text_codec.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical {
namespace {

constexpr uint32_t kSectorBytes = 512;

struct SearchState {
  TPhysicalDrive& drive;
  TPartiEntry& entry;
  disk::DiskDevice& device;
  uint32_t lastSerial = kInitialSearchSerial;
};

void RecordFound(SearchState& s, uint64_t sector, const uint8_t* boot, uint8_t kind) {
  // The start slot holds 32 bits; on a disk of 2 TiB or more the high part
  // goes into the base, so the absolute start stays the boot sector itself.
  auto found = NewEntry(s.entry.DriveCode, kTypeFound, sector & ~uint64_t{0xFFFFFFFF},
                        static_cast<uint32_t>(sector), VolumeSectorsOf(boot, kind));
  ReadPartitionLabel(s.drive, s.device.Handle(), *found);
  s.drive.FoundPartitions.push_back(std::move(found));
}

// An exFAT boot sector counts only with its whole boot region sound: the
// region's checksum tells a volume from a stray copy of its first sector.
bool IsSoundExfatStart(SearchState& s, uint64_t sector) {
  std::vector<uint8_t> region(engine::kExfatBootRegionSectors * kSectorBytes);
  uint32_t bytesRead = 0;
  return s.device.Read(sector, engine::kExfatBootRegionSectors, region.data(), bytesRead) &&
         bytesRead == region.size() && engine::IsSoundExfatRegion(region.data());
}

void ExamineSector(SearchState& s, uint64_t sector, const uint8_t* bytes) {
  if (LoadLE16(bytes + 510) != 0xAA55) return;
  const uint8_t kind = engine::IdentifyFileSystem(bytes);
  if (kind == engine::kUnrecognised) return;
  if (kind == engine::kExfat && !IsSoundExfatStart(s, sector)) return;
  const uint32_t serial = VolumeSerialOf(bytes, kind);
  // A backup boot sector, or the volume just seen again: not a new volume.
  if (serial == s.lastSerial) return;
  s.lastSerial = serial;
  // A volume an earlier search of this drive already found is not new
  // either: searching the same range twice must not list it twice.
  if (IsUnlistedStart(sector, s.drive.Partitions) && IsUnlistedStart(sector, s.drive.FoundPartitions))
    RecordFound(s, sector, bytes, kind);
}

// The sectors of a chunk that end in the boot signature, copied out. They
// are few on any disk, and finding them neither allocates nor owns
// anything, so a mapped chunk is tested under its guard; everything that
// allocates (reading a label, listing the volume) runs on the copies.
class SignedSectors {
 public:
  explicit SignedSectors(uint32_t chunkSectors)
      : indexes_(chunkSectors), copies_(size_t{chunkSectors} * kSectorBytes) {}

  void Find(const raw::RangeChunks::Chunk& chunk) {
    count_ = 0;
    const uint32_t sectors = std::min<uint32_t>(chunk.bytesRead / kSectorBytes, static_cast<uint32_t>(indexes_.size()));
    for (uint32_t i = 0; i < sectors; ++i) {
      const uint8_t* sector = chunk.bytes + size_t{i} * kSectorBytes;
      if (LoadLE16(sector + 510) != 0xAA55) continue;
      indexes_[count_] = i;
      std::memcpy(copies_.data() + count_ * kSectorBytes, sector, kSectorBytes);
      ++count_;
    }
  }
  size_t Count() const { return count_; }
  uint32_t Index(size_t n) const { return indexes_[n]; }
  const uint8_t* Sector(size_t n) const { return copies_.data() + n * kSectorBytes; }

 private:
  std::vector<uint32_t> indexes_;
  std::vector<uint8_t> copies_;
  size_t count_ = 0;
};

void RunChunks(SearchState& s, engine::ProgressBar& progress, uint64_t address, uint64_t chunks) {
  PhysicalWindow& window = s.drive.Window();
  disk::SectorSource* source = s.device.Source();
  if (!source) return;
  raw::RangeChunks reads(*source, address, address + chunks * kSearchChunkSectors, kSearchChunkSectors);
  raw::RangeChunks::Chunk chunk;
  SignedSectors found(kSearchChunkSectors);
  raw::BadSectorLog badSectors(window.log);
  for (uint64_t n = 0; reads.Next(chunk); ++n) {
    const bool examined = reads.Examine(chunk, [&](const raw::RangeChunks::Chunk& c) { found.Find(c); });
    badSectors.Add(reads.BadRuns());
    if (examined) {
      progress.SetPosition(static_cast<int>(
          std::lround(static_cast<double>(n) / static_cast<double>(chunks) * 100.0)));
      for (size_t f = 0; f < found.Count(); ++f) ExamineSector(s, chunk.address + found.Index(f), found.Sector(f));
    }
    // Once a chunk, as in the raw-range scan: a chunk is examined in well
    // under the pump's 20 ms, and a clock read per sector cost as much as
    // the examining itself.
    window.pump.Pump();
    if (s.drive.StopRequested) {
      badSectors.Flush();
      engine::AddLogLine(window.log, platform::SystemText("智能扫描被用户终止"), kLogHalted);
      return;
    }
    if (const std::optional<uint64_t> shrankAt = reads.ShrankAt()) {
      badSectors.Flush();
      // Said in the log and a box; the search keeps what it found before.
      (void)raw::ReportShrunkSource(window, *shrankAt, source->SectorCount());
      return;
    }
  }
  badSectors.Flush();
  engine::AddLogLine(window.log, platform::SystemText("智能扫描已完成"), kLogProgress);
}

}  // namespace

uint32_t VolumeSerialOf(const uint8_t* boot, uint8_t kind) {
  switch (kind) {
    case engine::kFat12:
    case engine::kFat16: return LoadLE32(boot + 39);
    case engine::kFat32: return LoadLE32(boot + 67);
    case engine::kNtfs: return LoadLE32(boot + 72);
    case engine::kExfat: return engine::ExfatBootView(boot).SerialNumber();
    default: return 0;
  }
}

uint64_t VolumeSectorsOf(const uint8_t* boot, uint8_t kind) {
  switch (kind) {
    case engine::kFat12:
    case engine::kFat16: {
      const uint16_t small = LoadLE16(boot + 19);
      return small != 0 ? small : LoadLE32(boot + 32);
    }
    case engine::kFat32: return LoadLE32(boot + 32);
    case engine::kNtfs: return LoadLE64(boot + 40);
    case engine::kExfat: return engine::ExfatBootView(boot).VolumeLength();
    default: return 0;
  }
}

bool IsUnlistedStart(uint64_t sector, const std::vector<std::unique_ptr<TPartiEntry>>& partitions) {
  for (const auto& p : partitions)
    if (!p->IsFreeSpace() && !p->IsExtended() && p->AbsoluteStart() == sector) return false;
  return true;
}

bool SearchPartitions(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress,
                      int64_t length, uint64_t startOffset) {
  if (drive.Busy) return false;
  PhysicalWindow& window = drive.Window();
  if (entry.DriveCode < 0 && !platform::QueryDriveReady(disk::LetterOfDriveCode(entry.DriveCode))) {
    window.boxes.Error(platform::SystemText("驱动器未就绪。"));
    return false;
  }
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;

  BusyScope busy(drive, progress);
  const uint64_t chunks =
      length > 0 ? (static_cast<uint64_t>(length) + kSearchChunkSectors - 1) / kSearchChunkSectors : 0;
  engine::AddLogLine(window.log, platform::SystemText("正在开始智能扫描 ..."), kLogProgress);
  SearchState state{drive, entry, device};
  try {
    RunChunks(state, progress, entry.AbsoluteStart() + startOffset, chunks);
  } catch (const std::exception& e) {
    engine::AddLogLine(window.log, e.what(), kLogFailure);
  }
  entry.Searched = true;
  return true;
}

}  // namespace tarnwell::physical

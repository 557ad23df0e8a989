// The landmark pass: every sector of the entry's range is tested for a
// directory start and a FILE record.
#include <algorithm>
#include <array>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "disk/device_reader.h"
#include "disk/sector_source.h"
#include "disk/source_opener.h"
#include "engine/event_log_line.h"
#include "physical/busy_scope.h"
#include "physical/physical_drive.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"
#include "physical/raw/range_chunks.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical::raw {
namespace {

struct Counts {
  uint64_t directoryStarts = 0;
  uint64_t fat32Hints = 0;
  bool refusedPast32Bits = false;
};

// Found FILE records are filed by 32-bit sector numbers: one past them is
// not recorded under a wrapped number; the log says so once.
bool AddFileRecordSector(TPhysicalDrive& drive, uint64_t sector, Counts& counts) {
  if (sector <= UINT32_MAX) {
    drive.FileRecordSectors.push_back(static_cast<uint32_t>(sector));
    return true;
  }
  if (!counts.refusedPast32Bits) {
    counts.refusedPast32Bits = true;
    engine::AddLogLine(drive.Window().log,
                       platform::SystemText("扇区 " + std::to_string(sector) + " 起的 NTFS 记录超出可记录的扇区范围"),
                       kLogFailure);
  }
  return false;
}

// Parses the record found at `sector` while its chunk is in hand. A record
// whose second sector lies past the chunk is read on its own.
class RecordParser {
 public:
  RecordParser(TPhysicalDrive& drive, disk::DiskDevice& device) : drive_(drive), device_(device) {}

  void Parse(const RangeChunks::Chunk& chunk, uint32_t index) {
    const uint64_t sector = chunk.address + index;
    const size_t offset = size_t{index} * kSectorBytes;
    std::unique_ptr<engine::tntfsfilerecord> record;
    if (offset + kRecordBytes <= chunk.bytesRead) {
      record = ParseFoundRecord(std::span<const uint8_t>(chunk.bytes + offset, kRecordBytes), sector,
                                drive_.ParsedRecordVotes);
    } else {
      uint32_t bytesRead = 0;
      if (device_.Read(sector, kRecordBytes / kSectorBytes, straddling_.data(), bytesRead) &&
          bytesRead >= kRecordBytes)
        record = ParseFoundRecord(straddling_, sector, drive_.ParsedRecordVotes);
    }
    if (record) drive_.ParsedFileRecords.push_back(std::move(record));
  }

 private:
  static constexpr size_t kRecordBytes = 1024;
  TPhysicalDrive& drive_;
  disk::DiskDevice& device_;
  std::array<uint8_t, kRecordBytes> straddling_{};
};

void ExamineChunk(TPhysicalDrive& drive, TPartiEntry& entry, const RangeChunks::Chunk& chunk,
                  uint32_t sectors, Counts& counts, RecordParser& records) {
  for (uint32_t i = 0; i < sectors; ++i) {
    const uint8_t* sector = chunk.bytes + size_t{i} * kSectorBytes;
    if (IsDirectoryStart(sector)) {
      if (entry.DirSectors.size() < kMaxFoundItems) entry.DirSectors.push_back(chunk.address + i);
      ++counts.directoryStarts;
      if (HasFat32Hint(sector)) ++counts.fat32Hints;
    } else if (IsFileRecordStart(sector) && drive.FileRecordSectors.size() < kMaxFoundItems &&
               AddFileRecordSector(drive, chunk.address + i, counts)) {
      records.Parse(chunk, i);
    }
  }
}

void RunChunks(TPhysicalDrive& drive, TPartiEntry& entry, disk::DiskDevice& device,
               engine::ProgressBar& progress, Counts& counts) {
  PhysicalWindow& window = drive.Window();
  const uint64_t end = std::min(entry.AbsoluteEnd(), kRawScanSectorLimit);
  disk::SectorSource* source = device.Source();
  if (!source) {
    engine::AddLogLine(window.log, platform::SystemText("无法读取扇区 " + std::to_string(entry.AbsoluteStart())),
                       kLogFailure);
    return;
  }
  RangeChunks chunks(*source, entry.AbsoluteStart(), end, kRangeChunkSectors);
  RecordParser records(drive, device);
  RangeChunks::Chunk chunk;
  for (uint64_t n = 0; chunks.Next(chunk); ++n) {
    if (chunk.ok) {
      progress.SetPosition(static_cast<int>(
          std::lround(static_cast<double>(n) / static_cast<double>(chunks.Count()) * 100.0)));
      // The last chunk reaches past the range; what lies beyond belongs to
      // the next partition, not to this one.
      const uint64_t inRange = std::min<uint64_t>(chunk.bytesRead / kSectorBytes, end - chunk.address);
      ExamineChunk(drive, entry, chunk, static_cast<uint32_t>(inRange), counts, records);
    } else {
      engine::AddLogLine(window.log, platform::SystemText("无法读取扇区 " + std::to_string(chunk.address)),
                         kLogFailure);
    }
    // Once a chunk: its thousand sectors are tested in microseconds, and
    // reading the clock for each one was a tenth of the pass.
    window.pump.Pump();
    if (drive.StopRequested) {
      engine::AddLogLine(window.log, platform::SystemText("驱动器扫描被用户终止"), kLogHalted);
      return;
    }
  }
  engine::AddLogLine(window.log, platform::SystemText("驱动器扫描已完成"), kLogProgress);
}

}  // namespace

bool ScanRange(TPhysicalDrive& drive, TPartiEntry& entry, engine::ProgressBar& progress) {
  if (drive.Busy) return false;
  entry.Scanned = true;
  PhysicalWindow& window = drive.Window();
  if (entry.DriveCode < 0) {
    const char letter = disk::LetterOfDriveCode(entry.DriveCode);
    if (!platform::QueryDriveReady(letter)) {
      window.boxes.Error(platform::SystemText("驱动器未就绪。"));
      return false;
    }
    const std::optional<uint64_t> bytes = platform::QueryTotalBytes(letter);
    if (!bytes) return false;
    entry.Slot.SetSectorCount(static_cast<uint32_t>(std::min<uint64_t>(*bytes / 512, UINT32_MAX)));
  }
  if (entry.AbsoluteStart() >= kRawScanSectorLimit) {
    window.boxes.Error(platform::SystemText("扫描范围位于磁盘 2 TiB 之后，无法扫描。"));
    return false;
  }
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  BusyScope busy(drive, progress);
  drive.CurrentPartition = &entry;
  entry.DirSectors.clear();
  drive.FileRecordSectors.clear();
  drive.ParsedFileRecords.clear();
  drive.ParsedRecordVotes = {};
  drive.ParsedRecordsOf = &entry;
  engine::AddLogLine(window.log, platform::SystemText("驱动器扫描已开始"), kLogProgress);
  engine::AddLogLine(window.log, platform::SystemText("正在扫描 ..."), kLogProgress);
  if (entry.AbsoluteEnd() > kRawScanSectorLimit)
    engine::AddLogLine(window.log, platform::SystemText("只扫描磁盘前 2 TiB 之内的部分。"), kLogFailure);
  Counts counts;
  try {
    RunChunks(drive, entry, device, progress, counts);
  } catch (const std::exception& e) {
    engine::AddLogLine(window.log, e.what(), kLogFailure);
  }
  entry.FatKind = FatKindFromHints(counts.directoryStarts, counts.fat32Hints);
  return true;
}

}  // namespace tarnwell::physical::raw

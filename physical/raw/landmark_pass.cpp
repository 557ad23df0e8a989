// The landmark pass: every sector of the entry's range is tested for a
// directory start and a FILE record.
#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>
#include <string>

#include "disk/device_reader.h"
#include "disk/source_opener.h"
#include "engine/event_log_line.h"
#include "physical/busy_scope.h"
#include "physical/physical_drive.h"
#include "physical/raw/landmarks.h"
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
void AddFileRecordSector(TPhysicalDrive& drive, uint64_t sector, Counts& counts) {
  if (sector <= UINT32_MAX) {
    drive.FileRecordSectors.push_back(static_cast<uint32_t>(sector));
  } else if (!counts.refusedPast32Bits) {
    counts.refusedPast32Bits = true;
    engine::AddLogLine(drive.Window().log,
                       platform::SystemText("扇区 " + std::to_string(sector) + " 起的 NTFS 记录超出可记录的扇区范围"),
                       kLogFailure);
  }
}

void ExamineChunk(TPhysicalDrive& drive, TPartiEntry& entry, uint64_t address, const uint8_t* bytes,
                  uint32_t sectors, Counts& counts) {
  engine::MessagePump& pump = drive.Window().pump;
  for (uint32_t i = 0; i < sectors; ++i) {
    pump.Pump();
    const uint8_t* sector = bytes + size_t{i} * kSectorBytes;
    if (IsDirectoryStart(sector)) {
      if (entry.DirSectors.size() < kMaxFoundItems) entry.DirSectors.push_back(address + i);
      ++counts.directoryStarts;
      if (HasFat32Hint(sector)) ++counts.fat32Hints;
    } else if (IsFileRecordStart(sector) && drive.FileRecordSectors.size() < kMaxFoundItems) {
      AddFileRecordSector(drive, address + i, counts);
    }
  }
}

void RunChunks(TPhysicalDrive& drive, TPartiEntry& entry, disk::DiskDevice& device,
               engine::ProgressBar& progress, Counts& counts) {
  PhysicalWindow& window = drive.Window();
  const uint64_t chunks = (uint64_t{entry.SectorCount()} + kRangeChunkSectors - 1) / kRangeChunkSectors;
  const std::unique_ptr<uint8_t[]> buffer(new uint8_t[size_t{kRangeChunkSectors} * kSectorBytes]);
  uint64_t address = entry.AbsoluteStart();
  const uint64_t end = address + entry.SectorCount();
  for (uint64_t chunk = 0; chunk < chunks; ++chunk, address += kRangeChunkSectors) {
    uint32_t bytesRead = 0;
    if (device.Read(address, kRangeChunkSectors, buffer.get(), bytesRead)) {
      progress.SetPosition(static_cast<int>(
          std::lround(static_cast<double>(chunk) / static_cast<double>(chunks) * 100.0)));
      // The last chunk reaches past the range; what lies beyond belongs to
      // the next partition, not to this one.
      const uint64_t inRange = std::min<uint64_t>(bytesRead / kSectorBytes, end - address);
      ExamineChunk(drive, entry, address, buffer.get(), static_cast<uint32_t>(inRange), counts);
    } else {
      engine::AddLogLine(window.log, platform::SystemText("无法读取扇区 " + std::to_string(address)), kLogFailure);
    }
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
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  BusyScope busy(drive, progress);
  drive.CurrentPartition = &entry;
  entry.DirSectors.clear();
  drive.FileRecordSectors.clear();
  engine::AddLogLine(window.log, platform::SystemText("驱动器扫描已开始"), kLogProgress);
  engine::AddLogLine(window.log, platform::SystemText("正在扫描 ..."), kLogProgress);
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

// NTFS records of a raw-range scan: the data follows the run list of the
// record's unnamed data attribute, clusters placed by the voted cluster size
// from the partition's start; compressed data is decompressed unit by unit.
#include <algorithm>
#include <optional>
#include <vector>

#include "disk/device_reader.h"
#include "engine/event_log_line.h"
#include "engine/ntfs/compressed_units.h"
#include "engine/ntfs/data_copier.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/update_sequence.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/output_times.h"
#include "physical/physical_drive.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/recovery_report.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

namespace ntfs = engine::ntfs;
using Record = std::array<uint8_t, ntfs::kRecordBytes>;

// The record's two sectors with the fix-ups applied.
bool ReadRecord(disk::DiskDevice& device, const engine::tntfsfilerecord& item, Record& record) {
  if (item.RecordSector < 0) return false;
  uint32_t bytesRead = 0;
  return device.Read(static_cast<uint64_t>(item.RecordSector), 2, record.data(), bytesRead) &&
         bytesRead >= record.size() && ntfs::ApplyUpdateSequence(record);
}

// The absolute sector of a cluster, nullopt when it cannot be on the disk.
std::optional<uint64_t> ClusterAddress(const TPartiEntry& entry, int64_t lcn) {
  const uint64_t spc = entry.NtfsClusterSectors;
  if (lcn < 0 || spc == 0 || static_cast<uint64_t>(lcn) > (UINT64_MAX >> 5) / spc) return std::nullopt;
  return static_cast<uint64_t>(lcn) * spc + entry.AbsoluteStart();
}

// Reads count clusters, all of them inside the scanned range.
bool ReadClusters(disk::DiskDevice& device, const TPartiEntry& entry, int64_t lcn, int64_t count,
                  uint8_t* buffer) {
  const std::optional<uint64_t> address = ClusterAddress(entry, lcn);
  const uint64_t sectors = static_cast<uint64_t>(std::max<int64_t>(count, 0)) * entry.NtfsClusterSectors;
  if (!address || sectors == 0 || sectors > UINT16_MAX || *address >= entry.AbsoluteEnd() ||
      sectors > entry.AbsoluteEnd() - *address)
    return false;
  uint32_t bytesRead = 0;
  return device.Read(*address, static_cast<uint16_t>(sectors), buffer, bytesRead) &&
         bytesRead >= sectors * kSectorBytes;
}

// The clusters of the scanned range, read through the device held open
// for the item.
ntfs::ClusterSource RangeClusters(TPhysicalDrive& drive, disk::DiskDevice& device, const TPartiEntry& entry) {
  ntfs::ClusterSource source;
  source.clusterBytes = entry.NtfsClusterSectors * kSectorBytes;
  source.readClusters = [&device, &entry](int64_t lcn, int64_t count, uint8_t* buffer) {
    return ReadClusters(device, entry, lcn, count, buffer);
  };
  // Compressed data pumps once a unit and is not stopped inside a file.
  source.beforeStep = [&drive] {
    drive.Window().pump.Pump();
    return true;
  };
  return source;
}

}  // namespace

bool WriteCompressedRuns(TPhysicalDrive& drive, engine::OutputFile& out, const engine::trunlist& runs,
                         int64_t realSize) {
  if (!drive.CurrentPartition) return false;
  const TPartiEntry& entry = *drive.CurrentPartition;
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  return ntfs::WriteCompressedUnits(runs, out, realSize, RangeClusters(drive, device, entry));
}

int RecoverItem(TPhysicalDrive& drive, const engine::tntfsfilerecord& item, engine::StatusPanel& status,
                engine::ProgressBar& progress, const engine::OutputFolder& destination) {
  if (!drive.CurrentPartition) return 0;
  const TPartiEntry& entry = *drive.CurrentPartition;
  ItemScope scope(status, progress, item.Name);
  const engine::EntryTimes times = engine::NtfsEntryTimes(item.FileName);
  if (item.DataSize <= 0) {
    if (const std::optional<engine::CreatedFile> created = engine::CreateUniqueFile(item.Name, destination))
      (void)engine::ApplyOutputTimes(created->path, times);
    else
      LogItemFailure(drive, item.Name, kRecoveryFailed);
    return 0;
  }
  // Without a voted cluster size no cluster can be placed.
  if (entry.NtfsClusterSectors == 0) {
    LogItemFailure(drive, item.Name, kRecoveryFailed);
    return 0;
  }
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) {
    LogItemFailure(drive, item.Name, kRecoveryFailed);
    return 0;
  }
  Record record;
  engine::TAttribute data;
  engine::TAttribute list;
  if (!ReadRecord(device, item, record) || ntfs::ExtractAttribute(record, ntfs::kAttrAttributeList, list) ||
      !ntfs::ExtractAttribute(record, ntfs::kAttrData, data, true)) {
    LogItemFailure(drive, item.Name, kRecoveryFailed);
    return 0;
  }
  std::optional<engine::CreatedFile> created = engine::CreateUniqueFile(item.Name, destination);
  if (!created) {
    LogItemFailure(drive, item.Name, kRecoveryFailed);
    return 0;
  }
  engine::OutputFile out(std::move(created->fd), created->path);
  engine::trunlist runs;
  // A damaged run list, or one that places more clusters than the scanned
  // range holds, is copied as far as it goes; the file then comes out
  // short of its size, which is reported.
  if (data.IsNonResident()) {
    (void)ntfs::DecodeRunList(data.Content, runs);
    (void)ntfs::LimitAllocatedClusters(runs, static_cast<int64_t>(entry.SectorCount() / entry.NtfsClusterSectors));
  }
  const bool compressed = ntfs::IsCompressedData(item.FileName, data);
  ntfs::ClusterSource source = RangeClusters(drive, device, entry);
  if (!compressed) {
    // Plain runs are stopped between reads and show the file's progress.
    source.beforeStep = [&drive] {
      drive.Window().pump.Pump();
      return !drive.StopRequested;
    };
    source.afterStep = [&progress, &item](uint64_t written) {
      progress.SetPosition(static_cast<int>(written * 100 / static_cast<uint64_t>(item.DataSize)));
    };
  }
  switch (ntfs::WriteDataAttribute(data, runs, compressed, static_cast<uint64_t>(item.DataSize), out, source)) {
    case ntfs::CopyOutcome::kCopied:
      (void)engine::ApplyOutputTimes(out.Path(), times);
      return 0;
    case ntfs::CopyOutcome::kStopped:
      out.Close();
      LogRecoveryStopped(drive);
      return kRecoveryStopped;
    case ntfs::CopyOutcome::kWriteFailed:
      LogItemFailure(drive, item.Name, kWriteFailed);
      return 0;
    default:
      LogItemFailure(drive, item.Name, kRecoveryFailed);
      return 0;
  }
}

bool ReadItemStart(const TPhysicalDrive& drive, const engine::tntfsfilerecord& item,
                   std::array<uint8_t, 2048>& buffer) {
  if (!drive.CurrentPartition) return false;
  const TPartiEntry& entry = *drive.CurrentPartition;
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  uint32_t bytesRead = 0;
  if (item.DataStart < 0) {
    Record record;
    if (!ReadRecord(device, item, record)) return false;
    buffer.fill(0);
    engine::TAttribute data;
    if (ntfs::ExtractAttribute(record, ntfs::kAttrData, data, true) && !data.IsNonResident())
      std::copy_n(data.Content.begin(), std::min(data.Content.size(), buffer.size()), buffer.begin());
    return true;
  }
  const std::optional<uint64_t> address = ClusterAddress(entry, item.DataStart);
  return address && device.Read(*address, 4, buffer.data(), bytesRead);
}

}  // namespace tarnwell::physical::raw

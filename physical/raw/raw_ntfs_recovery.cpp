// NTFS records of a raw-range scan: the data follows the run list of the
// record's unnamed data attribute, clusters placed by the voted cluster size
// from the partition's start; compressed data is decompressed unit by unit.
#include <algorithm>
#include <optional>
#include <vector>

#include "disk/device_reader.h"
#include "engine/event_log_line.h"
#include "engine/ntfs/compressed_units.h"
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

// Copies the clusters of the runs up to the real size; sparse runs become
// holes in one step, however long. 1 when stopped.
int CopyRuns(TPhysicalDrive& drive, disk::DiskDevice& device, engine::OutputFile& out,
             const engine::trunlist& runs, const engine::tntfsfilerecord& item, engine::ProgressBar& progress) {
  const TPartiEntry& entry = *drive.CurrentPartition;
  const uint64_t clusterBytes = uint64_t{entry.NtfsClusterSectors} * kSectorBytes;
  const uint64_t size = static_cast<uint64_t>(item.DataSize);
  std::vector<uint8_t> cluster(clusterBytes);
  for (const engine::TRun& run : runs) {
    for (int64_t j = 0; j < run.Length && out.Position() < size;) {
      drive.Window().pump.Pump();
      if (drive.StopRequested) {
        out.Close();
        LogRecoveryStopped(drive);
        return kRecoveryStopped;
      }
      const uint64_t left = size - out.Position();
      if (run.Lcn == 0) {
        const uint64_t amount = std::min<uint64_t>(left, static_cast<uint64_t>(run.Length - j) * clusterBytes);
        if (!out.SetSize(out.Position() + amount)) {
          LogItemFailure(drive, item.Name, kWriteFailed);
          return 0;
        }
        j = run.Length;
      } else {
        const size_t amount = static_cast<size_t>(std::min<uint64_t>(left, clusterBytes));
        if (!ReadClusters(device, entry, run.Lcn + j, 1, cluster.data())) {
          LogItemFailure(drive, item.Name, kRecoveryFailed);
          return 0;
        }
        if (out.Write(cluster.data(), amount) < amount) {
          LogItemFailure(drive, item.Name, kWriteFailed);
          return 0;
        }
        ++j;
      }
      progress.SetPosition(static_cast<int>(out.Position() * 100 / size));
    }
  }
  // Runs that end before the data does leave the file short: said.
  if (out.Position() < size) LogItemFailure(drive, item.Name, kRecoveryFailed);
  return 0;
}

}  // namespace

bool WriteCompressedRuns(TPhysicalDrive& drive, engine::OutputFile& out, const engine::trunlist& runs,
                         int64_t realSize) {
  if (!drive.CurrentPartition) return false;
  const TPartiEntry& entry = *drive.CurrentPartition;
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) return false;
  ntfs::CompressedSource source;
  source.clusterBytes = entry.NtfsClusterSectors * kSectorBytes;
  source.readClusters = [&](int64_t lcn, int64_t count, uint8_t* buffer) {
    return ReadClusters(device, entry, lcn, count, buffer);
  };
  source.beforeUnit = [&drive] {
    drive.Window().pump.Pump();
    return true;
  };
  return ntfs::WriteCompressedUnits(runs, out, realSize, source);
}

int RecoverItem(TPhysicalDrive& drive, const engine::tntfsfilerecord& item, engine::StatusPanel& status,
                engine::ProgressBar& progress, const engine::OutputFolder& destination) {
  if (!drive.CurrentPartition) return 0;
  const TPartiEntry& entry = *drive.CurrentPartition;
  ItemScope scope(status, progress, item.Name);
  const engine::EntryTimes times = engine::NtfsEntryTimes(item.FileName);
  if (item.DataSize <= 0) {
    if (const std::optional<engine::CreatedFile> created = engine::CreateUniqueFile(item.Name, destination))
      engine::ApplyOutputTimes(created->path, times);
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
  if (!data.IsNonResident()) {
    if (out.Write(data.Content.data(), data.Content.size()) < data.Content.size())
      LogItemFailure(drive, item.Name, kWriteFailed);
    else
      engine::ApplyOutputTimes(out.Path(), times);
    return 0;
  }
  engine::trunlist runs;
  // A damaged run list, or one that places more clusters than the scanned
  // range holds, is copied as far as it goes; the file then comes out
  // short of its size, which is reported.
  ntfs::DecodeRunList(data.Content, runs);
  ntfs::LimitAllocatedClusters(runs, static_cast<int64_t>(entry.SectorCount() / entry.NtfsClusterSectors));
  if (item.FileName.Attributes() & engine::kNtfsAttrCompressed) {
    if (!WriteCompressedRuns(drive, out, runs, item.DataSize))
      LogItemFailure(drive, item.Name, kRecoveryFailed);
    else
      engine::ApplyOutputTimes(out.Path(), times);
    return 0;
  }
  const int result = CopyRuns(drive, device, out, runs, item, progress);
  if (result != kRecoveryStopped) engine::ApplyOutputTimes(out.Path(), times);
  return result;
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

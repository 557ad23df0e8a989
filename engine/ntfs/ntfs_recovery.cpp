// Copies found NTFS records out of the volume: resident data, plain runs
// (sparse runs as holes) and compressed data; folders with their contents;
// the first bytes of an entry for the hex page.
#include <algorithm>
#include <cstring>

#include "disk/volume_reader.h"
#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/event_log_line.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_times.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/recovery_log.h"
#include "engine/ntfs/run_list.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

// Clusters copied per read of a plain run.
constexpr int64_t kClustersPerCopy = 16;

bool IsCompressedData(const tntfsfilerecord& record, const TAttribute& data) {
  if (data.Flags() & ntfs::kAttrFlagCompressed) return true;
  return (record.FileName.Attributes() & kNtfsAttrCompressed) && data.CompressionUnit() != 0;
}

}  // namespace

bool TUndelete::RecoverFile(tntfsfilerecord& record, const std::string& displayName,
                            EventLog& log, StatusPanel& status, const std::string& destination) {
  const std::optional<OutputFolder> folder = OpenDestination(destination, displayName, log);
  return folder && RecoverFile(record, displayName, log, status, *folder);
}

bool TUndelete::RecoverFile(tntfsfilerecord& record, const std::string& displayName,
                            EventLog& log, StatusPanel&, const OutputFolder& destination) {
  if (!CurrentDrive || CurrentDrive->IsFat()) return false;
  TAttribute data;
  trunlist runs;
  if (!ReadDataRuns(record, data, runs)) return LogRecoveryFailure(log, displayName);

  auto created = CreateUniqueFile(displayName, destination);
  if (!created) {
    AddLogLine(log, displayName + platform::SystemText(":  无法创建目标文件"), kLogError);
    return false;
  }
  OutputFile file(std::move(created->fd), created->path);
  if (!data.IsNonResident()) {
    if (file.Write(data.Content.data(), data.Content.size()) < data.Content.size()) {
      AddLogLine(log, displayName + platform::SystemText(":  无法写入目标设备"), kLogError);
      return false;
    }
    ApplyOutputTimes(file.Path(), NtfsEntryTimes(record.FileName));
    return true;
  }
  const int64_t size = std::max<int64_t>(record.DataSize, 0);
  const uint32_t cluster = NtfsClusterBytes();
  if (cluster == 0) return LogRecoveryFailure(log, displayName);
  // A run list cannot place more clusters than the volume has: the rest
  // is damage, and the file keeps only what fits, coming out short of its
  // size, which is reported below.
  ntfs::LimitAllocatedClusters(runs, static_cast<int64_t>(NtfsVolumeSectors() * 512 / cluster));

  if (IsCompressedData(record, data)) {
    if (!WriteCompressedData(runs, file, size, log)) return LogRecoveryFailure(log, displayName);
    ApplyOutputTimes(file.Path(), NtfsEntryTimes(record.FileName));
    return true;
  }

  std::vector<uint8_t> buffer(static_cast<size_t>(kClustersPerCopy) * cluster);
  for (const TRun& run : runs) {
    for (int64_t j = 0; j < run.Length && file.Position() < static_cast<uint64_t>(size);) {
      pump_.Pump();
      if (StopRequested) {
        AddLogLine(log, displayName + platform::SystemText(":  恢复被用户终止"), kLogStopped);
        return false;
      }
      const uint64_t left = static_cast<uint64_t>(size) - file.Position();
      // A sparse run may stand for more than the whole volume: it is taken
      // in one step, up to what the file still lacks, as a hole.
      const int64_t step = run.Lcn == 0 ? run.Length - j : std::min(kClustersPerCopy, run.Length - j);
      const uint64_t amount = std::min<uint64_t>(left, static_cast<uint64_t>(step) * cluster);
      size_t written;
      if (run.Lcn == 0) {
        written = file.SetSize(file.Position() + amount) ? amount : 0;
      } else {
        const int64_t clusters = static_cast<int64_t>((amount + cluster - 1) / cluster);
        if (!ReadClusters(run.Lcn + j, clusters, buffer.data())) return LogRecoveryFailure(log, displayName);
        written = file.Write(buffer.data(), amount);
      }
      if (written < amount) {
        AddLogLine(log, displayName + platform::SystemText(":  无法写入目标设备"), kLogError);
        return false;
      }
      j += step;
    }
  }
  // Runs that end before the data does leave the file short: said.
  if (file.Position() < static_cast<uint64_t>(size)) return LogRecoveryFailure(log, displayName);
  ApplyOutputTimes(file.Path(), NtfsEntryTimes(record.FileName));
  return true;
}

bool TUndelete::RecoverFolder(tntfsfilerecord& folder, const std::string& displayName,
                              EventLog& log, StatusPanel& status, const std::string& destination) {
  const std::optional<OutputFolder> parent = OpenDestination(destination, displayName, log);
  return parent && RecoverFolder(folder, displayName, log, status, *parent);
}

bool TUndelete::RecoverFolder(tntfsfilerecord& folder, const std::string& displayName,
                              EventLog& log, StatusPanel& status, const OutputFolder& destination) {
  std::vector<const tntfsfilerecord*> ancestors;
  return RecoverNtfsFolder(folder, displayName, log, status, destination, ancestors);
}

bool TUndelete::RecoverNtfsFolder(tntfsfilerecord& folder, const std::string& displayName,
                                  EventLog& log, StatusPanel& status,
                                  const OutputFolder& destination,
                                  std::vector<const tntfsfilerecord*>& ancestors) {
  if (!CurrentDrive || CurrentDrive->IsFat()) return false;
  const std::optional<OutputFolder> made = CreateUniqueFolder(displayName, destination);
  if (!made) {
    AddLogLine(log, displayName + platform::SystemText(":  无法创建目标文件"), kLogError);
    return false;
  }
  // Set last: every file made inside would move the folder's time again.
  const ScopedOutputTimes timesOnExit(made->Path(), NtfsEntryTimes(folder.FileName));
  int first = -1;
  int last = -1;
  if (!GetChildRange(NtfsFolderKey(folder), first, last)) return true;
  ancestors.push_back(&folder);
  bool ok = true;
  for (int i = first; i <= last && !StopRequested; ++i) {
    tntfsfilerecord& child = *CurrentDrive->NtfsEntries[static_cast<size_t>(i)];
    if (IsNtfsFile(child)) {
      status.SetText(" " + child.Name);
      ok = RecoverFile(child, child.Name, log, status, *made) && ok;
    } else if (std::find(ancestors.begin(), ancestors.end(), &child) == ancestors.end()) {
      // A folder that is its own ancestor (corrupted references) is not
      // entered again.
      ok = RecoverNtfsFolder(child, child.Name, log, status, *made, ancestors) && ok;
    }
  }
  ancestors.pop_back();
  return ok && !StopRequested;
}

bool TUndelete::ReadPreview(const tntfsfilerecord& record, std::array<uint8_t, 2048>& buffer) {
  buffer.fill(0);
  if (!CurrentDrive || CurrentDrive->IsFat()) return false;
  TAttribute data;
  trunlist runs;
  if (!ReadDataRuns(record, data, runs)) return true;
  if (!data.IsNonResident()) {
    std::copy_n(data.Content.begin(), std::min(data.Content.size(), buffer.size()), buffer.begin());
    return true;
  }
  if (runs.empty() || runs[0].Lcn == 0) return true;
  // Four sectors at the first run, whatever the cluster size.
  const uint64_t spc = BootSectorView(CurrentDrive->BootSector).SectorsPerCluster();
  const uint64_t sector = static_cast<uint64_t>(runs[0].Lcn) * spc;
  const uint64_t limit = std::min<uint64_t>(NtfsVolumeSectors(), uint64_t{1} << 32);
  if (spc != 0 && runs[0].Lcn > 0 && sector / spc == static_cast<uint64_t>(runs[0].Lcn) && sector + 4 <= limit)
    disk::ReadVolumeSectors(CurrentDrive->DriveName, static_cast<uint32_t>(sector), 4,
                            buffer.data());
  return true;
}

}  // namespace tarnwell::engine

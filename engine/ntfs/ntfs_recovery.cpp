// Copies found NTFS records out of the volume: resident data, plain runs
// (sparse runs as holes) and compressed data; folders with their contents;
// the first bytes of an entry for the hex page.
#include <algorithm>
#include <cstring>

#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/event_log_line.h"
#include "engine/ntfs/data_copier.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_times.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/recovery_log.h"
#include "engine/ntfs/run_list.h"
#include "engine/scoped_flag.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

bool TUndelete::RecoverFile(tntfsfilerecord& record, const std::string& displayName,
                            EventLog& log, StatusPanel&, const OutputFolder& destination) {
  if (!CurrentDrive || CurrentDrive->IsFat()) return false;
  // Busy while copying, so that nothing rescans or frees the records.
  ScopedFlag busy(Scanning);
  TAttribute data;
  trunlist runs;
  if (!ReadDataRuns(record, data, runs)) return LogRecoveryFailure(log, displayName);

  std::optional<CreatedFile> created = CreateItemFile(displayName, destination, log);
  if (!created) return false;
  OutputFile file(std::move(created->fd), created->path);
  const uint32_t cluster = NtfsClusterBytes();
  if (data.IsNonResident()) {
    if (cluster == 0) return LogRecoveryFailure(log, displayName);
    // A run list cannot place more clusters than the volume has: the rest
    // is damage, and the file keeps only what fits, coming out short of
    // its size, which is reported.
    (void)ntfs::LimitAllocatedClusters(runs, static_cast<int64_t>(NtfsVolumeSectors() * 512 / cluster));
  }
  const bool compressed = ntfs::IsCompressedData(record.FileName, data);
  ntfs::ClusterSource source;
  source.clusterBytes = cluster;
  source.readClusters = [this](int64_t lcn, int64_t count, uint8_t* buffer) {
    return ReadClusters(lcn, count, buffer);
  };
  source.beforeStep = [this, &log, compressed] {
    pump_.Pump();
    if (!StopRequested) return true;
    // A compressed file says the stop on a line of its own, then fails as
    // any compressed file that did not come out whole.
    if (compressed) AddLogLine(log, platform::SystemText("恢复被用户终止"), kLogError);
    return false;
  };
  const uint64_t size = static_cast<uint64_t>(std::max<int64_t>(record.DataSize, 0));
  switch (ntfs::WriteDataAttribute(data, runs, compressed, size, file, source)) {
    case ntfs::CopyOutcome::kCopied:
      StampRecoveredCopy(log, displayName, file.Path(), NtfsEntryTimes(record.FileName));
      NoteOverwrittenCopy(log, displayName, RecoverabilityOf(record));
      return true;
    case ntfs::CopyOutcome::kStopped:
      AddLogLine(log, displayName + platform::SystemText(":  恢复被用户终止"), kLogStopped);
      return false;
    case ntfs::CopyOutcome::kWriteFailed:
      AddLogLine(log, displayName + platform::SystemText(":  无法写入目标设备"), kLogError);
      return false;
    default:
      // A failed read, runs that end before the data, compressed data that
      // did not come out whole.
      return LogRecoveryFailure(log, displayName);
  }
}

bool TUndelete::RecoverFolder(tntfsfilerecord& folder, const std::string& displayName,
                              EventLog& log, StatusPanel& status, const OutputFolder& destination) {
  ScopedFlag busy(Scanning);
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
      ok = RecoverFile(child, NtfsOutputName(child, child.Name), log, status, *made) && ok;
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
  // Four sectors at the first run, whatever the cluster size. The read's
  // own outcome does not matter: the reader reports errors.
  const uint64_t spc = BootSectorView(CurrentDrive->BootSector).SectorsPerCluster();
  const uint64_t sector = static_cast<uint64_t>(runs[0].Lcn) * spc;
  if (spc != 0 && runs[0].Lcn > 0 && sector / spc == static_cast<uint64_t>(runs[0].Lcn) &&
      sector + 4 <= NtfsVolumeSectors())
    (void)Volume().Read(sector, 4, buffer.data());
  return true;
}

}  // namespace tarnwell::engine

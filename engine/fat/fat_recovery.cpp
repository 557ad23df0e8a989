// Reading FAT entries back out: files into new output files, folders with
// everything below them, and the first bytes for the hex page.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "engine/entry_helpers.h"
#include "engine/event_log_line.h"
#include "engine/fat/fat_cluster_plan.h"
#include "engine/fat/fat_layout.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_times.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/recovery_log.h"
#include "engine/scoped_flag.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

uint32_t TUndelete::FatDataCluster(const TMidEntry& entry, const std::string& displayName, bool pump) {
  if (CurrentDrive->FsKind != kFat32) return entry.DirEntry.FirstClusterLow();
  uint16_t high = entry.DirEntry.FirstClusterHigh();
  // Deletion may have cleared the high word; an existing entry's high word
  // of 0 is the truth, so only deleted entries are searched.
  if (high == 0 && entry.Status != kExisting)
    high = FindFat32HighWord(displayName, entry.DirEntry.FirstClusterLow(), pump);
  return (static_cast<uint32_t>(high) << 16) | entry.DirEntry.FirstClusterLow();
}

bool TUndelete::RecoverFile(TMidEntry& entry, const std::string& displayName, EventLog& log,
                            StatusPanel&, const OutputFolder& destination) {
  if (!CurrentDrive || !CurrentDrive->IsFat()) return false;
  // Busy while copying, so that nothing rescans or frees the entries.
  ScopedFlag busy(Scanning);
  if (CurrentDrive->IsExfat()) return RecoverExfatFile(entry, displayName, log, destination);
  const TLogiDrive& drive = *CurrentDrive;
  const FatLayout layout(drive);
  const uint32_t size = entry.DirEntry.FileSize();
  const uint32_t clusterBytes = layout.ClusterBytes();
  if (clusterBytes == 0) return LogRecoveryFailure(log, displayName);
  const uint32_t first = FatDataCluster(entry, displayName);
  const FatClusterPlan plan = PlanFatClusters(drive, layout, first, size, entry.Status == kExisting);

  std::optional<CreatedFile> created = CreateItemFile(displayName, destination, log);
  if (!created) return false;
  OutputFile out(std::move(created->fd), created->path);
  if (plan.skipped > 0)
    AddLogLine(log,
               displayName + platform::SystemText(":  跳过了 ") + std::to_string(plan.skipped) +
                   platform::SystemText(" 个已被占用的簇"),
               kLogInformation);
  std::vector<uint8_t> cluster(clusterBytes);
  uint64_t count = (static_cast<uint64_t>(size) + clusterBytes - 1) / clusterBytes;
  // A contiguous read cannot go past the volume's last cluster: a size
  // that says more is damage, and the file keeps only what the volume holds.
  bool cut = false;
  if (!plan.FollowsChain()) {
    const uint64_t available = layout.IsDataCluster(first) ? uint64_t{layout.MaxCluster()} - first + 1 : 0;
    cut = count > available;
    count = std::min(count, available);
  }
  for (uint64_t i = 0; i < count; ++i) {
    pump_.Pump();
    if (StopRequested) {
      out.Close();
      AddLogLine(log, displayName + platform::SystemText(":  恢复被用户终止"), kLogStopped);
      return false;
    }
    const std::optional<uint64_t> lba = plan.SectorOf(layout, i);
    if (!lba || !drive.Reader().Read(*lba, layout.SectorsPerCluster(), cluster.data()))
      return LogRecoveryFailure(log, displayName);
    const uint64_t end = (i + 1) * clusterBytes;
    const size_t amount = size < end ? static_cast<size_t>(size - i * clusterBytes) : clusterBytes;
    if (out.Write(cluster.data(), amount) < amount) {
      out.Close();
      AddLogLine(log, displayName + platform::SystemText(":  无法写入目标设备"), kLogError);
      return false;
    }
  }
  StampRecoveredCopy(log, displayName, out.Path(), FatEntryTimes(entry.DirEntry));
  NoteOverwrittenCopy(log, displayName, RecoverabilityOf(entry));
  return !cut || LogRecoveryFailure(log, displayName);
}

bool TUndelete::RecoverFolder(TMidEntry& folder, const std::string& displayName, EventLog& log,
                              StatusPanel& status, const OutputFolder& destination) {
  if (!CurrentDrive || !CurrentDrive->IsFat()) return false;
  ScopedFlag busy(Scanning);
  const std::optional<OutputFolder> made = CreateUniqueFolder(displayName, destination);
  if (!made) {
    AddLogLine(log, displayName + platform::SystemText(":  无法创建目标文件"), kLogError);
    return false;
  }
  // Set last: every file made inside would move the folder's time again.
  const ScopedOutputTimes timesOnExit(
      made->Path(), CurrentDrive->IsExfat() ? ExfatEntryTimes(folder) : FatEntryTimes(folder.DirEntry));
  int first = -1, last = -1;
  if (!GetChildRange(FatFolderKey(folder, CurrentDrive->FsKind), first, last)) return true;
  bool ok = true;
  for (int i = first; i <= last && !StopRequested; ++i) {
    TMidEntry& child = *CurrentDrive->FatEntries[static_cast<size_t>(i)];
    // Two folders (one deleted, one existing) can share a first cluster;
    // only this folder's own children belong here.
    if (child.Parent != &folder) continue;
    const std::string name = FatEntryName(child, true);
    if (IsFatFile(child)) {
      status.SetText(" " + name);
      ok = RecoverFile(child, name, log, status, *made) && ok;
    } else {
      ok = RecoverFolder(child, name, log, status, *made) && ok;
    }
  }
  return ok && !StopRequested;
}

bool TUndelete::ReadPreview(const TMidEntry& entry, std::array<uint8_t, 2048>& buffer) {
  // A failed read leaves zeros, never the previous file's bytes, and says
  // so: the hex page would otherwise show old data under a new name.
  buffer.fill(0);
  try {
    if (!CurrentDrive || !CurrentDrive->IsFat()) return false;
    if (CurrentDrive->IsExfat()) return ReadExfatPreview(entry, buffer);
    const FatLayout layout(*CurrentDrive);
    const uint32_t first = layout.IsFat32() ? entry.DirEntry.FirstCluster32()
                                            : entry.DirEntry.FirstClusterLow();
    const std::optional<uint64_t> lba = layout.ClusterSector(first);
    if (!lba || !Volume().Read(*lba, 4, buffer.data())) {
      buffer.fill(0);
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    return false;
  }
}

}  // namespace tarnwell::engine

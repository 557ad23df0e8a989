// Reading exFAT entries back out: file data into new output files, and the
// first bytes for the hex page. Folders go through the FAT folder recovery,
// which calls back here for each file.
#include <algorithm>
#include <exception>
#include <vector>

#include "engine/event_log_line.h"
#include "engine/exfat/exfat_data_plan.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/recovery/output_file.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/output_times.h"
#include "engine/recovery/recovery_log.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

bool TUndelete::RecoverExfatFile(TMidEntry& entry, const std::string& displayName, EventLog& log,
                                 const OutputFolder& destination) {
  if (!CurrentDrive || !CurrentDrive->IsExfat() || !entry.Exfat) return false;
  const TLogiDrive& drive = *CurrentDrive;
  const ExfatLayout layout(drive);
  const ExfatEntryFacts& facts = *entry.Exfat;
  const uint64_t clusterBytes = layout.ClusterBytes();
  // Never larger than the heap can hold; bytes past the valid length were
  // never written and read as zeros. The heap ends where the image or
  // device does, whatever cluster count the boot sector claims.
  const uint64_t sourceSectors = drive.Reader().SectorCount();
  const std::optional<uint64_t> heapSector = layout.ClusterSector(2);
  const uint64_t heldBytes =
      heapSector && *heapSector < sourceSectors ? (sourceSectors - *heapSector) * disk::kSectorSize : 0;
  const uint64_t heapBytes = std::min(static_cast<uint64_t>(layout.ClusterCount()) * clusterBytes, heldBytes);
  const uint64_t size = std::min(facts.DataLength, heapBytes);
  const bool cut = facts.DataLength > heapBytes;  // damage: keep what the volume holds
  const uint64_t valid = std::min(facts.ValidLength, size);
  const bool existing = entry.Status == kExisting;
  ExfatBitmap bitmap;
  if (!existing && !facts.NoFatChain) bitmap = ReadExfatBitmap(drive, layout);
  const ExfatDataPlan plan = PlanExfatData(drive, layout, entry.DirEntry.FirstCluster32(), valid,
                                           facts.NoFatChain, existing, &bitmap);

  std::optional<CreatedFile> created = CreateItemFile(displayName, destination, log);
  if (!created) return false;
  OutputFile out(std::move(created->fd), created->path);
  auto writeFailed = [&] {
    out.Close();
    AddLogLine(log, displayName + platform::SystemText(":  无法写入目标设备"), kLogError);
    return false;
  };
  std::vector<uint8_t> cluster(static_cast<size_t>(clusterBytes));
  for (uint64_t i = 0; i * clusterBytes < valid; ++i) {
    pump_.Pump();
    if (StopRequested) {
      out.Close();
      AddLogLine(log, displayName + platform::SystemText(":  恢复被用户终止"), kLogStopped);
      return false;
    }
    const std::optional<uint32_t> c = plan.ClusterAt(layout, i);
    if (!c || !ReadExfatCluster(drive.Reader(), layout, *c, cluster.data()))
      return LogRecoveryFailure(log, displayName);
    const size_t amount = static_cast<size_t>(std::min(clusterBytes, valid - i * clusterBytes));
    if (out.Write(cluster.data(), amount) < amount) return writeFailed();
  }
  if (size > valid && !out.SetSize(size)) return writeFailed();
  StampRecoveredCopy(log, displayName, out.Path(), ExfatEntryTimes(entry));
  NoteOverwrittenCopy(log, displayName, RecoverabilityOf(entry));
  return !cut || LogRecoveryFailure(log, displayName);
}

bool TUndelete::ReadExfatPreview(const TMidEntry& entry, std::array<uint8_t, 2048>& buffer) {
  const ExfatLayout layout(*CurrentDrive);
  // The read's own outcome does not matter: the reader reports errors.
  if (const std::optional<uint64_t> lba = layout.ClusterSector(entry.DirEntry.FirstCluster32()))
    (void)Volume().Read(*lba, std::min<uint32_t>(4, layout.SectorsPerCluster()), buffer.data());
  return true;
}

}  // namespace tarnwell::engine

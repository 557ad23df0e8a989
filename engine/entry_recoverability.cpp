// How much of each deleted file's data is still its own, from the volume's
// allocation map: the same clusters its recovery reads, judged by the rule
// of recoverability.h. The map is opened once per scanned drive and each
// entry keeps its state, so a listing asks every entry at no more than the
// cost of its clusters' map bits.
#include <algorithm>

#include "engine/entry_helpers.h"
#include "engine/event_log_line.h"
#include "engine/exfat/exfat_allocation.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/fat/fat_allocation.h"
#include "engine/ntfs/data_copier.h"
#include "engine/ntfs/ntfs_allocation.h"
#include "engine/ntfs/run_list.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

ClusterAllocation* TUndelete::Allocation() {
  if (allocationDrive_ != CurrentDrive) {
    allocation_.reset();
    allocationOpened_ = false;
    allocationDrive_ = CurrentDrive;
  }
  if (allocationOpened_ || !CurrentDrive) return allocation_.get();
  allocationOpened_ = true;
  const TLogiDrive& drive = *CurrentDrive;
  if (drive.IsExfat()) {
    const ExfatLayout layout(drive);
    ExfatBitmap bitmap = ReadExfatBitmap(drive, layout);
    if (!bitmap.Empty()) allocation_ = std::make_unique<ExfatAllocation>(std::move(bitmap));
  } else if (drive.IsFat()) {
    if (FatLayout(drive).ClusterBytes() != 0) allocation_ = std::make_unique<FatAllocation>(drive);
  } else if (drive.FsKind == kNtfs) {
    allocation_ = OpenNtfsAllocation();
  }
  return allocation_.get();
}

std::unique_ptr<ClusterAllocation> TUndelete::OpenNtfsAllocation() {
  // $Bitmap is record 6, in the MFT's first stretch; its data may be
  // listed in extension records, read there directly.
  constexpr int64_t kBitmapRecord = 6;
  RecordBytes record;
  TAttribute data;
  trunlist runs;
  const uint32_t cluster = NtfsClusterBytes();
  if (cluster == 0 || !ReadRecord(kBitmapRecord, 0, record) || !DataRunsOf(record, kBitmapRecord, true, data, runs))
    return nullptr;
  const uint64_t clusters = NtfsVolumeSectors() * 512 / cluster;
  std::vector<uint8_t> resident;
  if (!data.IsNonResident())
    resident = data.Content;
  else if (runs.empty())
    return nullptr;
  return std::make_unique<ntfs::NtfsBitmapAllocation>(
      std::move(resident), std::move(runs), cluster, clusters,
      [this](int64_t lcn, int64_t count, uint8_t* buffer) { return ReadClusters(lcn, count, buffer); });
}

Recoverability TUndelete::RecoverabilityOf(TMidEntry& entry) {
  if (entry.Recoverable != kUnknownRecoverability) return static_cast<Recoverability>(entry.Recoverable);
  Recoverability state = Recoverability::kNone;
  if (CurrentDrive && CurrentDrive->IsFat() && entry.Status == kDeleted && IsFatFile(entry)) {
    if (ClusterAllocation* allocation = Allocation()) {
      const TLogiDrive& drive = *CurrentDrive;
      if (drive.IsExfat()) {
        // The copy reads up to the valid length; past it come zeros.
        const ExfatLayout layout(drive);
        const uint64_t valid = entry.Exfat ? std::min(entry.Exfat->ValidLength, entry.Exfat->DataLength) : 0;
        state = RunRecoverability(*allocation, entry.DirEntry.FirstCluster32(), layout.ClustersFor(valid));
      } else {
        const FatLayout layout(drive);
        const uint64_t bytes = layout.ClusterBytes();
        const uint64_t clusters = (uint64_t{entry.DirEntry.FileSize()} + bytes - 1) / bytes;
        // The first cluster as the recovery finds it (a FAT32 high word
        // that deletion cleared is searched for).
        const uint32_t first = FatDataCluster(entry, FatEntryName(entry, true), false);
        state = RunRecoverability(*allocation, first, clusters);
      }
    }
  }
  entry.Recoverable = static_cast<uint8_t>(state);
  return state;
}

Recoverability TUndelete::RecoverabilityOf(tntfsfilerecord& record) {
  if (record.Recoverable != kUnknownRecoverability) return static_cast<Recoverability>(record.Recoverable);
  Recoverability state = Recoverability::kNone;
  // Bit 0 of the record flags: in use. A made-up folder has no record.
  if (CurrentDrive && CurrentDrive->FsKind == kNtfs && !(record.RecordFlags & 1) && IsNtfsFile(record)) {
    TAttribute data;
    trunlist runs;
    if (ClusterAllocation* allocation = Allocation(); allocation && ReadDataRuns(record, data, runs)) {
      const uint64_t cluster = NtfsClusterBytes();
      if (!data.IsNonResident()) {
        state = Recoverability::kIntact;  // the data lies in the record itself
      } else if (cluster != 0) {
        // As the copy: runs past the volume's clusters are cut first.
        (void)ntfs::LimitAllocatedClusters(runs, static_cast<int64_t>(NtfsVolumeSectors() * 512 / cluster));
        const uint64_t size = static_cast<uint64_t>(std::max<int64_t>(record.DataSize, 0));
        uint64_t clusters = size / cluster + (size % cluster != 0);
        // Compressed data is read a whole unit (2^n clusters) at a time.
        if (ntfs::IsCompressedData(record.FileName, data) && data.CompressionUnit() < 16) {
          const uint64_t unit = uint64_t{1} << data.CompressionUnit();
          clusters = (clusters + unit - 1) / unit * unit;
        }
        state = ntfs::RunListRecoverability(*allocation, runs, clusters);
      }
    }
  }
  record.Recoverable = static_cast<uint8_t>(state);
  return state;
}

void TUndelete::NoteOverwrittenCopy(EventLog& log, const std::string& displayName, Recoverability state) {
  if (!IsOverwritten(state)) return;
  ++overwrittenCopies_;
  AddLogLine(log,
             displayName + platform::SystemText(state == Recoverability::kOverwritten
                                                    ? ":  已被覆盖，恢复的内容来自其他文件"
                                                    : ":  部分被覆盖，恢复的内容可能混有其他文件的数据"),
             kLogStopped);
}

}  // namespace tarnwell::engine

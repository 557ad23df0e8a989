#pragma once
// One entry of a disk's partition model: a table slot, a free-space gap, the
// whole disk, or a partition found by the search, together with what a
// raw-range scan of it found.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/records.h"
#include "physical/carve/carved_file.h"
#include "physical/gpt_entry.h"
#include "physical/partition_slot.h"
#include "physical/raw_scan_records.h"

namespace tarnwell::physical {

struct TPartiEntry {
  int16_t DriveCode = 0;
  PartitionSlot Slot;    // BootFlag .. SectorCount, a verbatim table slot
  uint64_t BaseLba = 0;  // what RelStart counts from
  // A size the slot's 32-bit field cannot hold (a GPT partition or gap of
  // 2 TiB or more, the whole of such a disk); the slot then holds 0xFFFFFFFF.
  std::optional<uint64_t> WideSectorCount;
  // Set for the partitions of a GUID partition table.
  std::optional<GptPartition> Gpt;
  // Whole-disk entry: the master boot record's entries; an extended entry:
  // the entries of the table it leads to. Not owning: the drive's lists own.
  std::vector<TPartiEntry*> Children;

  // Raw-range scan results.
  std::vector<uint64_t> DirSectors;
  // Sectors that hold nothing but directory entries without beginning a
  // folder: where a folder's later clusters may lie, once the geometry
  // says which of them begin a cluster. Disk order.
  std::vector<uint64_t> EntrySectors;
  std::vector<uint64_t> ParentRefs;
  std::vector<std::unique_ptr<FoundFatEntry>> FatEntries;
  std::vector<std::unique_ptr<engine::tntfsfilerecord>> NtfsRecords;
  uint32_t FatClusterSectors = 0;
  uint32_t NtfsClusterSectors = 0;
  std::vector<FoundFatEntry*> FatMatches;                      // not owning
  std::vector<engine::tntfsfilerecord*> NtfsMatches;       // not owning
  uint64_t FatDataStart = 0;  // absolute sector of cluster 2
  uint8_t FatKind = 0;
  FatGeometrySource FatGeometryFrom = FatGeometrySource::kGuessed;
  // What a signature scan run beside the raw-range scan found where no
  // found entry accounts for it, in disk order (at most kMaxCarvedFiles).
  std::vector<carve::CarvedFile> CarvedFiles;

  std::string Label;  // system code page
  bool Scanned = false;
  bool Searched = false;

  uint8_t BootFlag() const { return Slot.BootFlag(); }
  uint8_t PartType() const { return Slot.PartType(); }
  uint32_t RelStart() const { return Slot.RelStart(); }
  uint64_t SectorCount() const { return WideSectorCount ? *WideSectorCount : Slot.SectorCount(); }
  // Keeps a count the slot cannot hold whole beside it.
  void SetSectorCount(uint64_t count) {
    Slot.SetSectorCount(count > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(count));
    if (count > UINT32_MAX) WideSectorCount = count; else WideSectorCount.reset();
  }
  uint64_t AbsoluteStart() const { return BaseLba + RelStart(); }
  uint64_t AbsoluteEnd() const { return AbsoluteStart() + SectorCount(); }
  bool IsFreeSpace() const { return PartType() == kTypeFree; }
  bool IsExtended() const { return IsExtendedType(PartType()); }
};

}  // namespace tarnwell::physical

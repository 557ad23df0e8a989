#pragma once
// One disk or volume of the advanced window: its geometry record, its
// partition model and the flags of the long operations that work on it.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/entry_handle.h"
#include "physical/parti_entry.h"
#include "physical/physical_window.h"
#include "physical/raw/ntfs_found_record.h"

namespace tarnwell::physical::raw {
class RawFatEntryKind;
class RawNtfsEntryKind;
}  // namespace tarnwell::physical::raw

namespace tarnwell::physical::carve {
class CarvedEntryKind;
}

namespace tarnwell::physical {

// The geometry record as the platform's geometry request returns it.
struct TDiskGeometry {
  int64_t Cylinders = 0;
  uint32_t MediaType = 0;
  uint32_t TracksPerCylinder = 0;
  uint32_t SectorsPerTrack = 0;
  uint32_t BytesPerSector = 0;
};

struct TDriveRecord {
  int16_t DriveCode = 0;  // >= 0 physical disk, < 0 minus a volume letter
  TDiskGeometry Geometry;
  uint64_t TotalSectors = 0;
};

// The record of physical disk `number`, nullopt when the disk cannot be
// opened or its geometry is unknown (such numbers are not listed).
std::optional<TDriveRecord> QueryPhysicalDriveRecord(int16_t number);
// The zeroed record of a volume letter.
TDriveRecord VolumeDriveRecord(char letter);

class TPhysicalDrive {
 public:
  // Builds the model: for a physical disk the partition tables, the extended
  // chain and the free space; for a volume only its whole-disk entry.
  TPhysicalDrive(const TDriveRecord& record, PhysicalWindow window);
  ~TPhysicalDrive();
  TPhysicalDrive(const TPhysicalDrive&) = delete;
  TPhysicalDrive& operator=(const TPhysicalDrive&) = delete;

  std::unique_ptr<TDriveRecord> DriveRecord;
  TPartiEntry* CurrentPartition = nullptr;  // not owning
  bool Busy = false;
  // Whole-disk entry first, then by absolute start. Owns its entries.
  std::vector<std::unique_ptr<TPartiEntry>> Partitions;
  std::vector<std::unique_ptr<TPartiEntry>> FoundPartitions;
  uint64_t ExtendedBase = 0;
  bool StopRequested = false;
  std::vector<uint64_t> FileRecordSectors;
  // The records at FileRecordSectors as the landmark pass parsed them from
  // the chunk in hand, in sector order, with their cluster-size votes: the
  // NTFS pass of the same entry takes them over instead of reading those
  // sectors again. ParsedRecordsOf names the entry they belong to.
  std::vector<std::unique_ptr<engine::tntfsfilerecord>> ParsedFileRecords;
  raw::ClusterVotes ParsedRecordVotes{};
  const TPartiEntry* ParsedRecordsOf = nullptr;
  // Items of raw recoveries that failed or came out short so far, each
  // with its line in the log.
  int RecoveryFailures = 0;
  // FAT files with data written so far under a guessed geometry: copied
  // from where the size table says, which nothing has confirmed.
  int UnverifiedRecoveries = 0;

  int16_t DriveCode() const { return DriveRecord->DriveCode; }
  uint64_t TotalSectors() const { return DriveRecord->TotalSectors; }
  uint32_t SectorsPerTrack() const { return DriveRecord->Geometry.SectorsPerTrack; }
  bool IsVolume() const { return DriveCode() < 0; }
  TPartiEntry& WholeDisk() { return *Partitions.front(); }
  const TPartiEntry& WholeDisk() const { return *Partitions.front(); }
  PhysicalWindow& Window() { return window_; }

  // The stop command: heard only while an operation runs on this drive.
  void RequestStop() {
    if (Busy) StopRequested = true;
  }

  // Appends an entry to the partitions list and returns it.
  TPartiEntry& AddPartition(std::unique_ptr<TPartiEntry> entry);

  // The items a raw-range scan of the current partition found, as entry
  // handles (raw/raw_entry_kinds.h).
  engine::EntryHandle EntryOf(const FoundFatEntry& entry) const;
  engine::EntryHandle EntryOf(const engine::tntfsfilerecord& record) const;
  // The found FAT entry behind a handle of this drive (the calibration
  // works on them); null for anything else.
  const FoundFatEntry* FatEntryOf(const engine::EntryHandle& handle) const;
  // The files a signature scan of an entry found (carve/carved_entry_kind.h),
  // and back from a handle; null for any other handle.
  engine::EntryHandle EntryOf(const carve::CarvedFile& file) const;
  const carve::CarvedFile* CarvedFileOf(const engine::EntryHandle& handle) const;

 private:
  void ReadVolumeLabel();
  PhysicalWindow window_;
  std::unique_ptr<raw::RawFatEntryKind> rawFatKind_;
  std::unique_ptr<raw::RawNtfsEntryKind> rawNtfsKind_;
  std::unique_ptr<carve::CarvedEntryKind> carvedKind_;
};

// An entry of drive `code` whose slot bytes are all zero. A count the slot
// cannot hold is kept whole beside it (WideSectorCount).
std::unique_ptr<TPartiEntry> NewEntry(int16_t code, uint8_t type, uint64_t base, uint32_t relStart,
                                      uint64_t sectorCount);

// True when the entry reaches past the end of its disk (a found partition
// whose boot sector claims more sectors than the disk or image holds, a
// GPT entry shown cut at the disk's end).
bool EndsPastDisk(const TPhysicalDrive& drive, const TPartiEntry& entry);

}  // namespace tarnwell::physical

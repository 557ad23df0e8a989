#include "physical/raw/raw_entry_kinds.h"
#include "physical/carve/carved_entry_kind.h"
#include "physical/physical_drive.h"

#include <algorithm>
#include <limits>

#include "disk/device_reader.h"
#include "disk/source_opener.h"
#include "physical/gpt_table.h"
#include "physical/partition_table.h"
#include "platform/disk_geometry.h"
#include "platform/text_codec.h"
#include "platform/volume_queries.h"

namespace tarnwell::physical {
namespace {

std::string TrimBlanks(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}

}  // namespace

std::optional<TDriveRecord> QueryPhysicalDriveRecord(int16_t number) {
  if (number < 0) return std::nullopt;
  disk::DiskDevice device(number);
  if (!device.IsOpen()) return std::nullopt;
  const std::optional<platform::DiskGeometry> g = platform::QueryDiskGeometry(number);
  if (!g) return std::nullopt;
  TDriveRecord record;
  record.DriveCode = number;
  record.Geometry.Cylinders = g->cylinders;
  record.Geometry.MediaType = g->mediaType;
  record.Geometry.TracksPerCylinder = g->tracksPerCylinder;
  record.Geometry.SectorsPerTrack = g->sectorsPerTrack;
  record.Geometry.BytesPerSector = g->bytesPerSector;
  record.TotalSectors = g->totalSectors;
  return record;
}

TDriveRecord VolumeDriveRecord(char letter) {
  TDriveRecord record;
  record.DriveCode = disk::DriveCodeOfLetter(letter);
  return record;
}

std::unique_ptr<TPartiEntry> NewEntry(int16_t code, uint8_t type, uint64_t base, uint32_t relStart,
                                      uint64_t sectorCount) {
  auto entry = std::make_unique<TPartiEntry>();
  entry->DriveCode = code;
  entry->Slot.SetPartType(type);
  entry->Slot.SetRelStart(relStart);
  entry->SetSectorCount(sectorCount);
  entry->BaseLba = base;
  return entry;
}

bool EndsPastDisk(const TPhysicalDrive& drive, const TPartiEntry& entry) {
  // A GPT entry is shown cut at the disk's end; what it claimed is kept.
  if (entry.Gpt && entry.Gpt->ClippedFrom != 0) return true;
  return !drive.IsVolume() && entry.AbsoluteEnd() > drive.TotalSectors();
}

TPhysicalDrive::TPhysicalDrive(const TDriveRecord& record, PhysicalWindow window)
    : DriveRecord(std::make_unique<TDriveRecord>(record)),
      window_(window),
      rawFatKind_(std::make_unique<raw::RawFatEntryKind>(*this)),
      rawNtfsKind_(std::make_unique<raw::RawNtfsEntryKind>(*this)),
      carvedKind_(std::make_unique<carve::CarvedEntryKind>(*this)) {
  // A disk of 2 TiB or more keeps its whole size, beyond the slot's 32 bits.
  AddPartition(NewEntry(record.DriveCode, kTypeExtended, 0, 0, record.TotalSectors));
  if (IsVolume()) {
    ReadVolumeLabel();
    return;
  }
  if (!ReadGptPartitions(*this)) {
    ReadPartitionTable(*this, WholeDisk());
    FindExtendedFreeSpace(*this);
  }
  // Stable, so the whole-disk entry (start 0) stays first.
  std::stable_sort(Partitions.begin() + 1, Partitions.end(),
                   [](const auto& a, const auto& b) { return a->AbsoluteStart() < b->AbsoluteStart(); });
}

TPhysicalDrive::~TPhysicalDrive() = default;

engine::EntryHandle TPhysicalDrive::EntryOf(const FoundFatEntry& entry) const { return rawFatKind_->Of(entry); }

engine::EntryHandle TPhysicalDrive::EntryOf(const engine::tntfsfilerecord& record) const {
  return rawNtfsKind_->Of(record);
}

const FoundFatEntry* TPhysicalDrive::FatEntryOf(const engine::EntryHandle& handle) const {
  return rawFatKind_->EntryOf(handle);
}

engine::EntryHandle TPhysicalDrive::EntryOf(const carve::CarvedFile& file) const { return carvedKind_->Of(file); }

const carve::CarvedFile* TPhysicalDrive::CarvedFileOf(const engine::EntryHandle& handle) const {
  return carvedKind_->FileOf(handle);
}

TPartiEntry& TPhysicalDrive::AddPartition(std::unique_ptr<TPartiEntry> entry) {
  Partitions.push_back(std::move(entry));
  return *Partitions.back();
}

void TPhysicalDrive::ReadVolumeLabel() {
  const char letter = disk::LetterOfDriveCode(DriveCode());
  const std::optional<std::string> label = platform::QueryVolumeLabel(letter);
  if (!label) return;  // the query failed: no label at all
  const std::string trimmed = TrimBlanks(platform::Utf8ToSystem(*label));
  WholeDisk().Label = trimmed.empty() ? std::string("NoName") : trimmed;
}

}  // namespace tarnwell::physical

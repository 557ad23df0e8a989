#include "engine/timeline_facts.h"

#include "engine/boot_sector.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/recovery/output_times.h"

namespace tarnwell::engine {
namespace {

int64_t Seconds(const std::optional<timespec>& t) { return t && t->tv_sec > 0 ? t->tv_sec : 0; }

uint32_t Stamp(uint16_t date, uint16_t time) { return (uint32_t{date} << 16) | time; }

}  // namespace

std::optional<uint64_t> FatEntryAddress(uint64_t entryOffset, uint64_t firstDataSector) {
  const uint64_t start = firstDataSector * 512;
  if (entryOffset == 0 || entryOffset < start) return std::nullopt;
  return 3 + (entryOffset - start) / 32;
}

uint64_t FatFirstDataSector(const TLogiDrive& drive) {
  if (drive.IsExfat()) return ExfatLayout(drive).ClusterSector(2).value_or(0);
  const BootSectorView boot(drive.BootSector);
  return drive.FsKind == kFat32 ? boot.Fat32DataStart() : boot.FatRootStart();
}

TimelineFacts FatTimelineFacts(const TMidEntry& entry, const TLogiDrive& drive) {
  TimelineFacts facts;
  facts.known = true;
  if (const auto address = FatEntryAddress(entry.EntryOffset, FatFirstDataSector(drive)))
    facts.address = std::to_string(*address);
  const RawDirEntry& d = entry.DirEntry;
  // Byte 13: the created stamp's 10 ms part, 0 to 199, on FAT and exFAT.
  const uint8_t created10ms = d.bytes[13];
  if (entry.Exfat) {
    const ExfatEntryFacts& x = *entry.Exfat;
    facts.created = Seconds(ExfatTime(Stamp(d.CreationDate(), d.CreationTime()), created10ms, x.UtcOffsets[0]));
    facts.modified =
        Seconds(ExfatTime(Stamp(d.ModificationDate(), d.ModificationTime()), x.Modified10ms, x.UtcOffsets[1]));
    facts.accessed = Seconds(ExfatTime(Stamp(d.AccessDate(), x.AccessTime), 0, x.UtcOffsets[2]));
    return facts;
  }
  // A FAT stamp without a zone: ExfatTime with offset byte 0 reads it as
  // local time and adds the 10 ms part as exFAT's does.
  facts.created = Seconds(ExfatTime(Stamp(d.CreationDate(), d.CreationTime()), created10ms, 0));
  facts.modified = Seconds(FatLocalTime(d.ModificationDate(), d.ModificationTime()));
  facts.accessed = Seconds(FatLocalTime(d.AccessDate(), 0));
  return facts;
}

TimelineFacts NtfsTimelineFacts(const tntfsfilerecord& record) {
  TimelineFacts facts;
  // A record the scan made up (a lost folder, the root placed at the top)
  // was never read from the MFT.
  facts.known = record.RecordSector != 0;
  if (!facts.known) return facts;
  facts.address = std::to_string(record.RecordNumber);
  if (record.ContentAttributeType != 0)
    facts.address += "-" + std::to_string(record.ContentAttributeType) + "-" + std::to_string(record.ContentAttributeId);
  const RawFileName& f = record.FileName;
  facts.accessed = Seconds(FileTimeToTimespec(f.AccessTime()));
  facts.modified = Seconds(FileTimeToTimespec(f.ModificationTime()));
  facts.changed = Seconds(FileTimeToTimespec(f.MftChangeTime()));
  facts.created = Seconds(FileTimeToTimespec(f.CreationTime()));
  facts.nameTypeKnown = (record.RecordFlags & 1) != 0;
  return facts;
}

}  // namespace tarnwell::engine

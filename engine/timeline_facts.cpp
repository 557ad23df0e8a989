#include "engine/timeline_facts.h"

#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/recovery/output_times.h"

namespace tarnwell::engine {
namespace {

int64_t Seconds(const std::optional<timespec>& t) { return t && t->tv_sec > 0 ? t->tv_sec : 0; }

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
  // Modified and accessed as a recovered copy gets them; the created
  // stamp with its 10 ms part (byte 13, 0 to 199, on FAT and exFAT). A
  // FAT stamp has no zone: ExfatTime with offset byte 0 reads it as local
  // time and adds the 10 ms part as exFAT's does.
  const EntryTimes times = ExfatEntryTimes(entry);
  facts.modified = Seconds(times.modified);
  facts.accessed = Seconds(times.accessed);
  const RawDirEntry& d = entry.DirEntry;
  facts.created = Seconds(ExfatTime(ExfatStamp(d.CreationDate(), d.CreationTime()), d.bytes[13],
                                    entry.Exfat ? entry.Exfat->UtcOffsets[0] : 0));
  return facts;
}

TimelineFacts NtfsTimelineFacts(const tntfsfilerecord& record) {
  TimelineFacts facts;
  facts.known = !IsMadeUpNtfsRecord(record);
  if (!facts.known) return facts;
  facts.address = std::to_string(record.RecordNumber);
  if (record.ContentAttributeType != 0)
    facts.address += "-" + std::to_string(record.ContentAttributeType) + "-" + std::to_string(record.ContentAttributeId);
  const RawFileName& f = record.FileName;
  const EntryTimes times = NtfsEntryTimes(f);
  facts.accessed = Seconds(times.accessed);
  facts.modified = Seconds(times.modified);
  facts.changed = Seconds(FileTimeToTimespec(f.MftChangeTime()));
  facts.created = Seconds(FileTimeToTimespec(f.CreationTime()));
  facts.nameTypeKnown = (record.RecordFlags & 1) != 0;
  return facts;
}

}  // namespace tarnwell::engine

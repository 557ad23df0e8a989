#include "advanced/raw_rows.h"

#include <cmath>

#include "controls/display_format.h"
#include "controls/message_boxes.h"
#include "engine/filetime.h"
#include "engine/search/entry_dates.h"
#include "physical/raw/found_lookup.h"

namespace tarnwell::advanced {
namespace {

// An invalid FAT stamp shows nothing rather than a stale or made-up date.
double FatStamp(const engine::RawDirEntry& entry, int kind) {
  const engine::DosDateTime d = engine::FatDirEntryDate(entry, kind);
  return d.valid ? d.value : 0;
}

QString Flag(uint32_t attributes, uint32_t bit) {
  return (attributes & bit) ? QStringLiteral("Y") : QStringLiteral("N");
}

QString Scaled(int64_t bytes, double unit, const char* suffix) {
  // Hundredths of the unit, rounded half to even, then printed as short as
  // the value allows.
  const double hundredths = std::nearbyint(static_cast<double>(bytes) / (unit / 100.0));
  return QString::number(hundredths / 100.0, 'g', 15) + QLatin1String(suffix);
}

}  // namespace

QString FormatFileSize(int64_t bytes) {
  if (bytes >= 1000000) return Scaled(bytes, 1000000.0, " MB");
  if (bytes >= 1000) return Scaled(bytes, 1000.0, " KB");
  return QString::number(bytes);
}

RawRowValues FatRowValues(const physical::TMidEntry& entry) {
  RawRowValues v;
  v.name = controls::FromSystem(physical::raw::RawEntryName(entry));
  v.folder = (entry.DirEntry.Attributes() & engine::kFatAttrDirectory) != 0;
  v.size = entry.DirEntry.FileSize();
  v.created = FatStamp(entry.DirEntry, engine::kDateCreated);
  v.accessed = FatStamp(entry.DirEntry, engine::kDateAccessed);
  return v;
}

RawRowValues NtfsRowValues(const engine::tntfsfilerecord& record) {
  RawRowValues v;
  v.name = controls::FromSystem(record.Name);
  v.folder = record.FileName.Attributes() >= engine::kNtfsAttrDirectory;
  v.size = record.DataSize;
  v.created = engine::FileTimeToDateTime(record.FileName.CreationTime());
  v.accessed = engine::FileTimeToDateTime(record.FileName.AccessTime());
  return v;
}

RawProperties FatProperties(const physical::TMidEntry& entry, uint32_t clusterSectors) {
  RawProperties p;
  const uint32_t size = entry.DirEntry.FileSize();
  p.exactSize = QString::number(size);
  const uint64_t clusterBytes = uint64_t{clusterSectors} * 512;
  if (clusterBytes > 0)
    p.allocated = QString::number((uint64_t{size} + clusterBytes - 1) / clusterBytes * clusterBytes);
  p.modified = controls::FormatListDateTime(FatStamp(entry.DirEntry, engine::kDateModified));
  const uint8_t a = entry.DirEntry.Attributes();
  p.flags = {Flag(a, 0x01), Flag(a, 0x04), Flag(a, 0x20), Flag(a, 0x02), QString()};
  return p;
}

RawProperties NtfsProperties(const engine::tntfsfilerecord& record) {
  RawProperties p;
  p.exactSize = QString::number(record.DataSize);
  p.allocated = QString::number(record.AllocatedSize);
  p.modified = controls::FormatListDateTime(engine::FileTimeToDateTime(record.FileName.ModificationTime()));
  const uint32_t a = record.FileName.Attributes();
  p.flags = {Flag(a, 0x01), Flag(a, 0x04), Flag(a, 0x20), Flag(a, 0x02), Flag(a, engine::kNtfsAttrCompressed)};
  return p;
}

}  // namespace tarnwell::advanced

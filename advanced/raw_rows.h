#pragma once
// What the advanced window shows of a found item: the values of its file
// list row and of its properties page, for the FAT entries and the NTFS
// records of a raw-range scan.
#include <QString>
#include <array>
#include <cstdint>

#include "engine/records.h"
#include "physical/raw_scan_records.h"

namespace tarnwell::advanced {

// Sizes in decimal units with a blank before the unit: 999 gives "999",
// 1000 "1 KB", 999,999 "1000 KB", 1,250,000 "1.25 MB" (two decimals at
// most, ties to even, no trailing zeros).
QString FormatFileSize(int64_t bytes);

struct RawRowValues {
  QString name;
  bool folder = false;
  int64_t size = 0;
  double created = 0;   // date-time values; 0: no valid stamp
  double accessed = 0;
};

RawRowValues FatRowValues(const physical::TMidEntry& entry);
// A record is a folder when its file-name attributes reach 0x10000000.
RawRowValues NtfsRowValues(const engine::tntfsfilerecord& record);

// The rows of the properties page that depend on the kind of item: the
// exact size, the allocated size, the modification stamp and the five
// attribute rows (read-only, system, archive, hidden, compressed).
struct RawProperties {
  QString exactSize, allocated, modified;
  std::array<QString, 5> flags;
};
// clusterSectors: the partition's worked-out sectors per cluster (0 when
// unknown, which leaves the allocated size empty).
RawProperties FatProperties(const physical::TMidEntry& entry, uint32_t clusterSectors);
RawProperties NtfsProperties(const engine::tntfsfilerecord& record);

}  // namespace tarnwell::advanced

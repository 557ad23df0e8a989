#pragma once
// What the advanced window shows of a found item: the values of its file
// list row and of its properties page, from the item's entry handle.
#include <QString>
#include <array>
#include <cstdint>

#include "engine/entry_handle.h"

namespace tarnwell::advanced {

// Sizes in decimal units with a blank before the unit: 999 gives "999",
// 1000 "1 KB", 999,999 "1000 KB", 1,250,000 "1.25 MB" (two decimals at
// most, ties to even, no trailing zeros).
QString FormatFileSize(int64_t bytes);

struct RawRowValues {
  QString name;
  bool folder = false;
  bool deleted = false;
  int64_t size = 0;
  double created = 0;   // date-time values; 0: no valid stamp
  double accessed = 0;
};

RawRowValues RowValues(const engine::EntryHandle& entry);

// The rows of the properties page that depend on the kind of item: the
// exact size, the allocated size (empty while the cluster size is
// unknown), the modification stamp and the five attribute rows (read-only,
// system, archive, hidden, and compressed where the file system keeps it).
struct RawProperties {
  QString exactSize, allocated, modified;
  std::array<QString, 5> flags;
};
RawProperties PropertiesOf(const engine::EntryHandle& entry);

}  // namespace tarnwell::advanced

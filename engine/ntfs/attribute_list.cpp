#include "engine/ntfs/attribute_list.h"

#include "common/little_endian.h"
#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {

bool ForEachListEntry(std::span<const uint8_t> value,
                      const std::function<bool(const ListEntry&)>& visit) {
  if (value.size() < kListEntryBytes) return false;
  size_t pos = 0;
  while (pos <= value.size() && value.size() - pos >= kListEntryBytes) {
    const uint8_t* e = &value[pos];
    ListEntry entry;
    entry.type = LoadLE32(e);
    entry.length = LoadLE16(e + 4);
    entry.nameLength = e[6];
    entry.startVcn = LoadLE64(e + 8);
    entry.record = LoadLE48(e + 16);
    entry.attributeId = LoadLE16(e + 24);
    if (entry.length == 0) break;
    if (!visit(entry)) break;
    pos += entry.length;
  }
  return true;
}

}  // namespace tarnwell::engine::ntfs

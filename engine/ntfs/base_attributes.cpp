#include "engine/ntfs/base_attributes.h"

#include <vector>

#include "engine/ntfs/file_record.h"
#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/ntfs_format.h"

namespace tarnwell::engine::ntfs {

void ForEachBaseAttribute(std::span<const uint8_t> record, ListedDataResolver* resolver, const ListEntryTest& wanted,
                          const BaseAttributeVisit& visit) {
  TAttribute list;
  if (ExtractAttribute(record, kAttrAttributeList, list)) {
    if (!resolver) return;
    std::vector<uint8_t> value;
    if (list.IsNonResident()) {
      if (!resolver->ListValue(list, value)) return;
    } else {
      value = std::move(list.Content);
    }
    ListedRecords records(record, resolver->base,
                          [resolver](uint64_t n, RecordBuffer& r) { return resolver->ReadRecord(n, r); });
    (void)ForEachListEntry(value, [&](const ListEntry& entry) {
      if (!wanted(entry.type, entry.nameLength, entry.startVcn)) return true;
      const auto found = LocateListed(entry, records);
      return !found || visit(found->record, found->spot);
    });
    return;
  }
  // AttributeAt moves at least 8 bytes a step and stops at the record's end.
  for (auto spot = AttributeAt(record, FirstAttributeOffset(record)); spot;
       spot = AttributeAt(record, spot->offset + spot->length))
    if (wanted(spot->type, record[spot->offset + 9], 0) && !visit(record, *spot)) return;
}

}  // namespace tarnwell::engine::ntfs

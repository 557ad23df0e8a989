#include "engine/ntfs/named_streams.h"

#include <algorithm>
#include <set>

#include "engine/ntfs/base_attributes.h"
#include "engine/ntfs/file_record.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"

namespace tarnwell::engine::ntfs {
namespace {

bool NameIs(const TAttribute& a, std::span<const uint8_t> name) {
  return a.AttrName.size() == name.size() && std::equal(name.begin(), name.end(), a.AttrName.begin());
}

// A stream's entry from its first piece; false for anything else (unnamed
// data, a later piece, an attribute whose parts do not fit).
bool TakeStream(std::span<const uint8_t> record, const AttributeSpot& spot, uint32_t residentAllocated,
                std::vector<NamedStream>& streams, std::set<std::vector<uint8_t>>& seen) {
  if (spot.type != kAttrData || record[spot.offset + 9] == 0) return false;
  TAttribute a;
  if (!AttributeFromSpot(record, spot, a) || a.AttrName.empty() || a.StartVcn() != 0) return false;
  if (!seen.insert(a.AttrName).second) return false;
  NamedStream s;
  s.name = a.AttrName;
  s.attributeId = a.AttributeId();
  DataSizesOf(a, residentAllocated, s.allocatedSize, s.dataSize);
  streams.push_back(std::move(s));
  return true;
}

}  // namespace

std::vector<NamedStream> NamedStreamsOf(std::span<const uint8_t> record, uint32_t residentAllocated,
                                        ListedDataResolver* resolver) {
  std::vector<NamedStream> streams;
  std::set<std::vector<uint8_t>> seen;
  // Only a named stream's first piece is read: the later pieces of a large
  // stream, and all of the unnamed data, cost no record reads.
  ForEachBaseAttribute(
      record, resolver,
      [](uint32_t type, uint8_t nameLength, uint64_t startVcn) {
        return type == kAttrData && nameLength != 0 && startVcn == 0;
      },
      [&](std::span<const uint8_t> holder, const AttributeSpot& spot) {
        TakeStream(holder, spot, residentAllocated, streams, seen);
        return streams.size() < kMaxNamedStreams;
      });
  return streams;
}

bool ExtractDataAttribute(std::span<const uint8_t> record, std::span<const uint8_t> name, TAttribute& data) {
  if (name.empty()) return ExtractAttribute(record, kAttrData, data, true);
  for (auto spot = AttributeAt(record, FirstAttributeOffset(record)); spot;
       spot = AttributeAt(record, spot->offset + spot->length)) {
    if (spot->type != kAttrData || record[spot->offset + 9] * 2 != name.size()) continue;
    if (AttributeFromSpot(record, *spot, data) && NameIs(data, name) && data.StartVcn() == 0) return true;
  }
  return false;
}

}  // namespace tarnwell::engine::ntfs

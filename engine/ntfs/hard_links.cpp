#include "engine/ntfs/hard_links.h"

#include <algorithm>

#include "common/little_endian.h"
#include "engine/ntfs/base_attributes.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"

namespace tarnwell::engine::ntfs {
namespace {

// The 8.3 namespace: a short name beside a long one in the same folder.
constexpr uint8_t kDosNamespace = 2;

bool SameLink(const LinkName& a, const LinkName& b) {
  return a.parentRecord == b.parentRecord && a.name == b.name;
}

// The name in the file-name attribute at a spot; false for anything else
// (another type, a non-resident or short value, an 8.3 or empty name).
bool TakeLink(std::span<const uint8_t> record, const AttributeSpot& spot, std::vector<LinkName>& links) {
  if (spot.type != kAttrFileName) return false;
  const std::optional<ValueSpot> value = ResidentValue(record, spot);
  if (!value || value->length < kFileNameHeaderBytes) return false;
  const uint8_t* v = record.data() + value->offset;
  const size_t chars = v[64];
  if (chars == 0 || v[65] == kDosNamespace || kFileNameHeaderBytes + 2 * chars > value->length) return false;
  LinkName link;
  link.parentRecord = LoadLE48(v);
  link.parentSequence = LoadLE16(v + 6);
  link.name.assign(v + kFileNameHeaderBytes, v + kFileNameHeaderBytes + 2 * chars);
  if (std::any_of(links.begin(), links.end(), [&](const LinkName& l) { return SameLink(l, link); })) return false;
  links.push_back(std::move(link));
  return true;
}

}  // namespace

uint16_t HardLinkCount(std::span<const uint8_t> record) {
  return record.size() >= 0x14 ? LoadLE16(&record[0x12]) : 0;
}

std::vector<LinkName> LinkNamesOf(std::span<const uint8_t> record, ListedDataResolver* resolver) {
  std::vector<LinkName> links;
  ForEachBaseAttribute(
      record, resolver, [](uint32_t type, uint8_t, uint64_t) { return type == kAttrFileName; },
      [&](std::span<const uint8_t> holder, const AttributeSpot& spot) {
        TakeLink(holder, spot, links);
        return links.size() < kMaxLinkNames;
      });
  return links;
}

}  // namespace tarnwell::engine::ntfs

#include "engine/ntfs/record_attribute.h"

#include <algorithm>

#include "common/little_endian.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/update_sequence.h"

namespace tarnwell::engine::ntfs {

size_t FirstAttributeOffset(std::span<const uint8_t> record) {
  if (record.size() < kRecordBytes) return kRecordBytes;
  return LoadLE16(&record[kFirstAttributeField]);
}

std::optional<AttributeSpot> AttributeAt(std::span<const uint8_t> record, size_t offset) {
  const size_t size = std::min(record.size(), kRecordBytes);
  if (offset + 8 > size) return std::nullopt;
  const uint32_t type = LoadLE32(&record[offset]);
  if (type == kAttrEnd) return std::nullopt;
  const uint32_t length = LoadLE32(&record[offset + 4]);
  if (length < kCommonHeaderBytes || length > size - offset) return std::nullopt;
  return AttributeSpot{offset, type, length};
}

std::optional<ValueSpot> ResidentValue(std::span<const uint8_t> record, const AttributeSpot& a) {
  if (a.length < kResidentHeaderBytes || record[a.offset + 8] != 0) return std::nullopt;
  const uint32_t valueLength = LoadLE32(&record[a.offset + 16]);
  const uint16_t valueOffset = LoadLE16(&record[a.offset + 20]);
  if (valueOffset > a.length || valueLength > a.length - valueOffset) return std::nullopt;
  return ValueSpot{a.offset + valueOffset, valueLength};
}

bool ExtractAttribute(std::span<const uint8_t> record, uint32_t type, TAttribute& attribute,
                      bool unnamedOnly) {
  if (record.size() < kRecordBytes) return false;
  // A record has room for at most 1024 / 16 attributes; the cap keeps a
  // walk finite whatever the lengths say.
  size_t offset = FirstAttributeOffset(record);
  for (int steps = 0; steps < static_cast<int>(kRecordBytes / kCommonHeaderBytes); ++steps) {
    const auto spot = AttributeAt(record, offset);
    if (!spot) return false;
    if (spot->type == type && !(unnamedOnly && record[spot->offset + 9] != 0))
      return AttributeFromSpot(record, *spot, attribute);
    offset += spot->length;
  }
  return false;
}

std::optional<AttributeSpot> FindAttributeById(std::span<const uint8_t> record, uint32_t type, uint16_t id) {
  if (record.size() < kRecordBytes) return std::nullopt;
  size_t offset = FirstAttributeOffset(record);
  for (int steps = 0; steps < static_cast<int>(kRecordBytes / kCommonHeaderBytes); ++steps) {
    const auto spot = AttributeAt(record, offset);
    if (!spot) return std::nullopt;
    if (spot->type == type && LoadLE16(&record[spot->offset + 14]) == id) return spot;
    offset += spot->length;
  }
  return std::nullopt;
}

bool AttributeFromSpot(std::span<const uint8_t> record, const AttributeSpot& spot, TAttribute& attribute) {
  const AttributeSpot* found = &spot;
  const uint8_t* a = &record[found->offset];
  const size_t length = found->length;
  const size_t nameBytes = static_cast<size_t>(a[9]) * 2;
  attribute = TAttribute{};
  std::copy_n(a, kCommonHeaderBytes, attribute.Header.begin());

  if (a[8] == 0) {
    const auto value = ResidentValue(record, *found);
    if (!value || kResidentHeaderBytes + nameBytes > length) return false;
    attribute.Resident.emplace();
    std::copy_n(a + 16, 8, attribute.Resident->begin());
    attribute.AttrName.assign(a + kResidentHeaderBytes, a + kResidentHeaderBytes + nameBytes);
    attribute.Content.assign(&record[value->offset], &record[value->offset] + value->length);
    return true;
  }

  if (length < kNonResidentHeaderBytes) return false;
  attribute.NonResident.emplace();
  std::copy_n(a + 16, 48, attribute.NonResident->begin());
  const size_t nameOffset = LoadLE16(a + 10);
  if (nameBytes != 0) {
    if (nameOffset > length || nameBytes > length - nameOffset) return false;
    attribute.AttrName.assign(a + nameOffset, a + nameOffset + nameBytes);
  }
  // The run list starts where the header's run-list offset says: after the
  // 64-byte header, the 8-byte compressed size of a compressed attribute
  // and the name padded to 8 bytes. Only a field pointing outside the
  // attribute falls back to right after the header and the name.
  size_t runs = LoadLE16(a + 32);
  if (runs < kNonResidentHeaderBytes || runs > length)
    runs = std::min(length, kNonResidentHeaderBytes + nameBytes);
  attribute.Content.assign(a + runs, a + length);
  return true;
}

bool ParseRecordAttribute(std::span<uint8_t> record, uint32_t type, TAttribute& attribute,
                          bool unnamedOnly) {
  if (!ApplyUpdateSequence(record)) return false;
  return ExtractAttribute(record, type, attribute, unnamedOnly);
}

}  // namespace tarnwell::engine::ntfs

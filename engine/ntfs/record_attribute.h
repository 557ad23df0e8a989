#pragma once
// The attribute walk of a 1024-byte FILE record held in memory. Every
// offset and length read from the record is checked against the record
// before anything is read through it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// Where one attribute lies in a record.
struct AttributeSpot {
  size_t offset = 0;  // of the attribute header
  uint32_t type = 0;
  uint32_t length = 0;  // whole attribute, already checked to fit
};

// The attribute at offset when its header and its whole length lie inside
// the record (length at least the common header, and 8-byte steps keep the
// walk moving); nullopt at the end marker or on anything that does not fit.
std::optional<AttributeSpot> AttributeAt(std::span<const uint8_t> record, size_t offset);

// The offset of the first attribute, from the record header.
size_t FirstAttributeOffset(std::span<const uint8_t> record);

// The value of a resident attribute: [offset, offset + length) inside the
// record, taken from the value offset and length fields and checked to lie
// inside the attribute. nullopt for a non-resident or malformed attribute.
struct ValueSpot {
  size_t offset = 0;
  size_t length = 0;
};
std::optional<ValueSpot> ResidentValue(std::span<const uint8_t> record, const AttributeSpot& a);

// Applies the update sequence in place, then walks the attributes from the
// first one and fills attribute with the first of the requested type: the
// 16-byte header, the resident or non-resident part, the name, and as
// content the value (resident) or the encoded run list (non-resident).
// False when the type is absent, the walk meets a malformed attribute first,
// or the found attribute's parts do not fit.
// With unnamedOnly, named attributes of the type (alternate data streams)
// are passed over.
bool ParseRecordAttribute(std::span<uint8_t> record, uint32_t type, TAttribute& attribute,
                          bool unnamedOnly = false);

// The same without the fix-up, on a record that already had it.
bool ExtractAttribute(std::span<const uint8_t> record, uint32_t type, TAttribute& attribute,
                      bool unnamedOnly = false);

// The attribute of the given type and attribute id (the pair an attribute
// list names), walked as ExtractAttribute walks; nullopt when absent.
std::optional<AttributeSpot> FindAttributeById(std::span<const uint8_t> record, uint32_t type, uint16_t id);

// Copies out the attribute at a spot AttributeAt gave, as ExtractAttribute
// does; false when its parts do not fit.
bool AttributeFromSpot(std::span<const uint8_t> record, const AttributeSpot& spot, TAttribute& attribute);

}  // namespace tarnwell::engine::ntfs

#pragma once
// The attributes of one kind that a base record owns, wherever they lie:
// named through its attribute list when it has one (the list names those
// kept in the base record too, and those moved to extension records),
// otherwise walked in the record itself.
#include <cstdint>
#include <functional>
#include <span>

#include "engine/ntfs/attribute_list.h"
#include "engine/ntfs/record_attribute.h"

namespace tarnwell::engine::ntfs {

class ListedDataResolver;

// Calls visit(record holding it, its spot) for each attribute of a fixed-up
// base record that `wanted` accepts: a list entry (only its type, name
// length and VCN are known before the record that holds it is read), or an
// attribute of the record itself, of which only the type is tested. A list
// is followed only with a resolver. visit returns false to stop.
using ListEntryTest = std::function<bool(uint32_t type, uint8_t nameLength, uint64_t startVcn)>;
using BaseAttributeVisit = std::function<bool(std::span<const uint8_t> record, const AttributeSpot& spot)>;
void ForEachBaseAttribute(std::span<const uint8_t> record, ListedDataResolver* resolver, const ListEntryTest& wanted,
                          const BaseAttributeVisit& visit);

}  // namespace tarnwell::engine::ntfs

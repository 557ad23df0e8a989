#pragma once
#include <cstdint>
#include <functional>
#include <span>

namespace tarnwell::engine::ntfs {

// One entry of an attribute-list value (its first 26 bytes).
struct ListEntry {
  uint32_t type = 0;
  uint16_t length = 0;
  uint8_t nameLength = 0;
  uint64_t startVcn = 0;
  uint64_t record = 0;  // 48-bit number of the record that holds the attribute
  uint16_t attributeId = 0;
};

// Calls visit for each entry, advancing by the entry length while a further
// 26 bytes fit; an entry length of 0 ends the walk (it would never move).
// visit returns false to stop. False when the value is shorter than one
// entry header.
bool ForEachListEntry(std::span<const uint8_t> value,
                      const std::function<bool(const ListEntry&)>& visit);

}  // namespace tarnwell::engine::ntfs

#pragma once
// Named data attributes: the alternate data streams of a file or folder
// ("report.txt:Zone.Identifier"). Each is listed as an entry of its own
// beside its file and read by its name; the unnamed data is the file's.
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ntfs/listed_attributes.h"
#include "engine/records.h"

namespace tarnwell::engine::ntfs {

class ListedDataResolver;

struct NamedStream {
  std::vector<uint8_t> name;  // UTF-16LE, as stored
  uint16_t attributeId = 0;   // of the piece at VCN 0
  int64_t allocatedSize = 0;
  int64_t dataSize = 0;
};

// More streams than this on one record is damage (a record holds a few
// dozen at most; a list can name more, each costing a record).
inline constexpr size_t kMaxNamedStreams = 1024;

// The named data attributes of a fixed-up base record, each once by name:
// through its attribute list when it has one (the list names attributes
// kept in the base record too), otherwise from the record itself. Sizes
// come from each stream's first piece, as the unnamed data's do. A list is
// followed only with a resolver.
std::vector<NamedStream> NamedStreamsOf(std::span<const uint8_t> record, uint32_t residentAllocated,
                                        ListedDataResolver* resolver);

// The data attribute named `name` (UTF-16LE; empty: the unnamed one) kept
// in the record itself; false when there is none.
bool ExtractDataAttribute(std::span<const uint8_t> record, std::span<const uint8_t> name, TAttribute& data);

}  // namespace tarnwell::engine::ntfs

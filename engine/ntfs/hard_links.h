#pragma once
// The other names of a file with hard links. Every name of a file is a
// file-name attribute of its one record, each naming its own folder; the
// scan lists the file once per name, as the folders that hold it show it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::engine::ntfs {

class ListedDataResolver;

struct LinkName {
  uint64_t parentRecord = 0;   // 48-bit record number of the folder
  uint16_t parentSequence = 0;
  std::vector<uint8_t> name;   // UTF-16LE, as stored
};

// A record holds a few dozen names at most; a list can name more, each
// costing a record read.
inline constexpr size_t kMaxLinkNames = 1024;

// The hard-link count of a FILE record's header (0 when it does not fit).
uint16_t HardLinkCount(std::span<const uint8_t> record);

// The names of a fixed-up base record a user sees: every file-name value
// but the 8.3 ones that only shadow a long name, each (folder, name) once,
// in record order; through the attribute list when the record has one
// (followed only with a resolver).
std::vector<LinkName> LinkNamesOf(std::span<const uint8_t> record, ListedDataResolver* resolver);

}  // namespace tarnwell::engine::ntfs

#pragma once
// What a GUID partition table says of one partition beyond its extent: the
// type and partition GUIDs, the attribute bits and the partition's name.
#include <array>
#include <cstdint>
#include <string>

namespace tarnwell::physical {

// A GUID as stored on disk: the first three fields little-endian, the last
// two as a byte string ("28 73 2A C1 1F F8 D2 11 BA 4B 00 A0 C9 3E C9 3B" is
// C12A7328-F81F-11D2-BA4B-00A0C93EC93B, the EFI system partition).
using Guid = std::array<uint8_t, 16>;

struct GptPartition {
  uint32_t Index = 0;  // position in the entry array, from 0
  Guid TypeGuid{};
  Guid UniqueGuid{};
  uint64_t Attributes = 0;
  std::string Name;  // system code page, at most 36 UTF-16 characters
  // The last sector the table claims when it lies past the disk's end and
  // the partition is shown cut there; 0 when it was not cut.
  uint64_t ClippedFrom = 0;
};

// "C12A7328-F81F-11D2-BA4B-00A0C93EC93B": upper-case, in the text form.
std::string FormatGuid(const Guid& guid);

// The name of a well-known partition type (system code page), or the GUID's
// text form when the type is not one of them.
std::string GptTypeName(const Guid& typeGuid);

}  // namespace tarnwell::physical

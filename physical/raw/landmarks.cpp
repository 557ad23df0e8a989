#include "physical/raw/landmarks.h"

#include <cstring>

#include "common/little_endian.h"
#include "engine/fat/dir_span.h"

namespace tarnwell::physical::raw {

bool IsDirectoryStart(const uint8_t* s) {
  return std::memcmp(s, ".       ", 8) == 0 && std::memcmp(s + 32, "..      ", 8) == 0;
}

bool IsFileRecordStart(const uint8_t* s) {
  // Byte 20 is below 512, so the tested byte always lies inside the sector.
  return std::memcmp(s, "FILE", 4) == 0 && s[s[20]] == 0x10;
}

bool HasFat32Hint(const uint8_t* s) {
  if (LoadLE16(s + 20) == 0) return false;
  engine::RawDirEntry dot, dotdot;
  std::memcpy(dot.bytes.data(), s, 32);
  std::memcpy(dotdot.bytes.data(), s + 32, 32);
  return engine::IsWellFormedShortEntry(dot) && engine::IsWellFormedShortEntry(dotdot);
}

uint8_t FatKindFromHints(uint64_t directoryStarts, uint64_t fat32Hints) {
  if (fat32Hints > 0) return 2;
  return directoryStarts / 2 > 0 ? 1 : 2;
}

}  // namespace tarnwell::physical::raw

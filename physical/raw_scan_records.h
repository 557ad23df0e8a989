#pragma once
// The found FAT entry of the raw-range scan. It shares its name with the
// standard engine's record but is a different record: it remembers where its
// directory was found rather than a parent link.
#include <cstdint>
#include <string>

#include "engine/records.h"

namespace tarnwell::physical {

struct TMidEntry {
  engine::RawDirEntry DirEntry;  // as found; only name bytes may be re-cased
  std::string LongName;          // system code page; empty when none
  uint32_t DirSector = 0;        // first sector of the directory chunk
  uint32_t DirCluster = 0;       // cluster of that directory (2 for a root)
};
using TMidEntry32 = TMidEntry;

}  // namespace tarnwell::physical

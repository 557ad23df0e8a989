#pragma once
#include <cstdint>
#include <string>

namespace tarnwell::cli {

// "FAT12", "FAT16", "FAT32", "NTFS" or "unrecognised".
std::string FsKindName(uint8_t kind);

}  // namespace tarnwell::cli

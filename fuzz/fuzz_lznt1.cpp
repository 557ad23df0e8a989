// Compression units from the fuzzer: the output never exceeds the unit or
// what the file still lacks, and each chunk stays within 4096 bytes.
#include <cstdint>
#include <span>
#include <vector>

#include "engine/ntfs/lznt1.h"

using namespace tarnwell::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first two bytes choose how much the file still lacks.
  const uint64_t room = (static_cast<uint64_t>(data[0]) << 8 | data[1]) * 7;
  const std::span<const uint8_t> unit(data + 2, size - 2);
  std::vector<uint8_t> out;
  const size_t unitBytes = 65536;
  ntfs::DecompressUnit(unit, unitBytes, room, out);
  if (out.size() > unitBytes || out.size() > room) __builtin_trap();
  if (unit.size() >= 2) {
    uint8_t chunk[4096];
    const int n = ntfs::DecompressChunk(static_cast<uint16_t>(unit[0] | unit[1] << 8 | 0x8000),
                                        unit.subspan(2), chunk);
    if (n > 4096) __builtin_trap();
  }
  return 0;
}

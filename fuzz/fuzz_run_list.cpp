// Run lists from the fuzzer, decoded and walked unit by unit as the
// compressed-data writer does.
#include <cstdint>
#include <span>

#include "engine/ntfs/run_list.h"

using namespace tarnwell::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  trunlist runs;
  (void)ntfs::DecodeRunList(std::span<const uint8_t>(data, size), runs);
  ntfs::RunCursor cursor(runs);
  // Bounded: a run list of 4-byte lengths can describe trillions of clusters.
  for (int pieces = 0; pieces < 10000 && !cursor.AtEnd(); ++pieces) {
    const auto piece = cursor.Next(16);
    if (piece.count <= 0 || piece.count > 16) __builtin_trap();
  }
  return 0;
}

// Fuzzes the exFAT side of the raw-range scan over bytes: finding entry
// sets, voting the geometry and building folder paths from what was found.
#include <cstdint>
#include <vector>

#include "physical/raw/exfat_set_scan.h"

using namespace tarnwell::physical::raw;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ExfatFoundSet> sets;
  // Two passes over the same bytes at different sectors, so that folder
  // sets can point at starts the other pass found.
  CollectExfatSets(data, size, size, 0, sets, 4096);
  CollectExfatSets(data, size, size / 2, 1000, sets, 4096);
  const ExfatRawGeometry geometry = CalibrateExfat(sets);
  if (geometry.Known() && geometry.clusterSectors > 256) __builtin_trap();
  const auto folders = ExfatSetFolders(sets, geometry);
  if (folders.size() != sets.size()) __builtin_trap();
  for (const auto& path : folders)
    if (path.empty() || path.size() > 64) __builtin_trap();
  return 0;
}

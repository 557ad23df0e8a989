// The raw-range scan's chunk parsers on any bytes: a FAT directory chunk
// (root or not, both FAT kinds) and a FILE record found on its own.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "physical/raw/directory_chunk.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/ntfs_found_record.h"

using namespace tarnwell::physical;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (uint8_t kind : {raw::kFat1216, raw::kFat32Kind}) {
    for (bool root : {false, true}) {
      std::vector<std::unique_ptr<TMidEntry>> out;
      raw::ParseDirectoryBytes(bytes, root, kind, 1234, out);
      for (const auto& e : out) {
        volatile size_t n = raw::RawEntryName(*e).size();
        (void)n;
      }
    }
  }
  raw::ClusterVotes votes{};
  if (auto record = raw::ParseFoundRecord(bytes, 99, votes)) {
    volatile size_t n = record->Name.size();
    (void)n;
  }
  volatile uint32_t voted = raw::VotedClusterSectors(votes);
  (void)voted;
  return 0;
}

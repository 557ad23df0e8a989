// The raw-range scan's chunk parsers on any bytes: a FAT directory chunk
// (root or not, both FAT kinds) and a FILE record found on its own.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/fat/dir_span.h"
#include "engine/recovery/output_times.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"

using namespace tarnwell::physical;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  for (uint8_t kind : {raw::kFat1216, raw::kFat32Kind}) {
    for (bool root : {false, true}) {
      std::vector<std::unique_ptr<FoundFatEntry>> out;
      raw::ParseDirectoryBytes(bytes, root, kind, 1234, out);
      for (const auto& e : out) {
        volatile size_t n = raw::RawEntryName(*e).size();
        (void)n;
      }
    }
  }
  // The continuation test of a deleted folder's further clusters, and the
  // FAT32 hint of a directory start.
  size_t entriesBytes = 0;
  const auto check = tarnwell::engine::CheckContinuation(bytes, entriesBytes);
  if (check != tarnwell::engine::ContinuationCheck::kNotDirectory && entriesBytes > size) __builtin_trap();
  if (size >= 512) {
    volatile bool hint = raw::HasFat32Hint(data);
    (void)hint;
  }
  if (size >= 8) {
    tarnwell::engine::RawDirEntry e;
    for (size_t i = 0; i < 8; ++i) e.bytes[14 + i] = data[i];
    volatile bool known = tarnwell::engine::FatEntryTimes(e).modified.has_value();
    uint64_t ft = 0;
    for (size_t i = 0; i < 8; ++i) ft |= uint64_t{data[i]} << (8 * i);
    known = tarnwell::engine::FileTimeToTimespec(ft).has_value();
    (void)known;
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

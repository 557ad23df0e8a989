#pragma once
// How many files a recovered entry stands for and how many bytes they
// hold, for a recovery's progress and the count that ends its log.
#include <cstdint>

#include "engine/entry_handle.h"

namespace tarnwell::engine {

struct EntryTotals {
  uint64_t files = 0;
  uint64_t bytes = 0;  // the sizes the entries give (holes included)
};

// 1 file of its size for a file; for a folder the files anywhere below it,
// each folder entered once (a deleted folder may point back at an
// ancestor) and at most maxFolders folders walked.
EntryTotals CountFilesAndBytes(const EntryHandle& entry, size_t maxFolders = 1'000'000);
inline uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders = 1'000'000) {
  return CountFilesAndBytes(entry, maxFolders).files;
}

}  // namespace tarnwell::engine

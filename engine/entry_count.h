#pragma once
// How many files a recovered entry stands for, for the count that ends a
// recovery's log.
#include <cstdint>

#include "engine/entry_handle.h"

namespace tarnwell::engine {

// 1 for a file; for a folder the files anywhere below it, each folder
// entered once (a deleted folder may point back at an ancestor) and at
// most maxFolders folders walked.
uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders = 1'000'000);

}  // namespace tarnwell::engine

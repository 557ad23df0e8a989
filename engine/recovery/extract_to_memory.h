#pragma once
// A file's data in memory, read through the very copy a recovery makes
// (FAT chains, NTFS runs and compression, exFAT, found and carved items
// alike), for a preview: what the user sees is what recovering would give.
// Bounded: a file larger than the limit is not extracted at all.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/entry_handle.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

enum class ExtractOutcome {
  kExtracted,
  kFolder,     // a folder has no data to show
  kTooLarge,   // larger than the limit: nothing was read
  kFailed,     // the copy failed or came out short (why: in `log`)
  kNoScratch,  // no private scratch folder could be made
};

struct ExtractedFile {
  ExtractOutcome outcome = ExtractOutcome::kFailed;
  std::vector<uint8_t> bytes;
  // What the copy logged (system code page), the reason of a failure.
  std::vector<std::string> log;
};

// Copies the entry into a private folder made under `scratchParent` (mode
// 0700, removed again before returning) and reads the copy back. The
// engine's pump runs as during a recovery.
ExtractedFile ExtractToMemory(const EntryHandle& entry, uint64_t maxBytes, const std::string& scratchParent);

}  // namespace tarnwell::engine

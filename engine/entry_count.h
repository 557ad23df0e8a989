#pragma once
// How many files a recovered entry stands for, for the count that ends a
// recovery's log, and how many bytes its recovery writes, for the room
// check before it starts.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/entry_handle.h"

namespace tarnwell::engine {

// 1 for a file; for a folder the files anywhere below it, each folder
// entered once (a deleted folder may point back at an ancestor) and at
// most maxFolders folders walked.
uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders = 1'000'000);
// The sizes of the same files added up: what a recovery of the entry
// writes at most (entries that share clusters are each written in full).
uint64_t BytesToWrite(const EntryHandle& entry, size_t maxFolders = 1'000'000);

// The bytes a recovery plans to write beside the room its destination has.
struct RoomCheck {
  uint64_t planned = 0;
  std::optional<uint64_t> available;  // nullopt: the file system did not say
  bool Fits() const { return !available || planned <= *available; }
};
// The destination folder's free room as an unprivileged writer may use it.
RoomCheck CheckRoom(const std::string& folder, uint64_t planned);

}  // namespace tarnwell::engine

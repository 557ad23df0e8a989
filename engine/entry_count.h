#pragma once
// How many files a recovered entry stands for and how many bytes they hold:
// for a recovery's progress, the count that ends its log, and the room
// check before it starts.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/entry_handle.h"

namespace tarnwell::engine {

// a + b, held at the largest value instead of wrapping: sizes on a
// damaged volume can add up past 64 bits.
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return b > UINT64_MAX - a ? UINT64_MAX : a + b; }

struct EntryTotals {
  uint64_t files = 0;
  uint64_t bytes = 0;  // the sizes the entries give (holes included), saturated
};

// 1 file of its size for a file; for a folder the files anywhere below it,
// each folder entered once (a deleted folder may point back at an
// ancestor) and at most maxFolders folders walked. Entries that share
// clusters are each counted in full, as a recovery writes each of them.
EntryTotals CountFilesAndBytes(const EntryHandle& entry, size_t maxFolders = 1'000'000);
inline uint64_t CountFiles(const EntryHandle& entry, size_t maxFolders = 1'000'000) {
  return CountFilesAndBytes(entry, maxFolders).files;
}
// What a recovery of the entry writes at most.
inline uint64_t BytesToWrite(const EntryHandle& entry, size_t maxFolders = 1'000'000) {
  return CountFilesAndBytes(entry, maxFolders).bytes;
}

// The bytes a recovery plans to write beside the room its destination has.
struct RoomCheck {
  uint64_t planned = 0;
  std::optional<uint64_t> available;  // nullopt: the file system did not say
  bool Fits() const { return !available || planned <= *available; }
};
// The destination folder's free room as an unprivileged writer may use it.
RoomCheck CheckRoom(const std::string& folder, uint64_t planned);

}  // namespace tarnwell::engine

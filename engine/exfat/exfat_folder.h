#pragma once
// The bytes of an exFAT folder and the entry sets in them.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/exfat/entry_set.h"
#include "engine/exfat/exfat_layout.h"

namespace tarnwell::engine {

// A folder holds at most 256 MiB of entries; nothing larger is read.
inline constexpr uint64_t kExfatMaxFolderBytes = 256ull << 20;

// Where a folder's entries lie: its FAT chain from first, or with
// contiguous (no FAT chain, or a deleted folder whose chain is gone) the
// clusters that length needs from first. Both are capped at the folder
// limit and at the heap; clusters that cannot be read end the folder.
// With read given, it receives the clusters the bytes came from, in order.
std::vector<uint8_t> ReadExfatFolder(const TLogiDrive& drive, const ExfatLayout& layout,
                                     uint32_t first, bool contiguous, uint64_t length,
                                     std::vector<uint32_t>* read = nullptr);

// The clusters given, read one after another; an unreadable cluster ends
// the bytes. With read given, it receives the clusters the bytes came from.
std::vector<uint8_t> ReadExfatClusters(const TLogiDrive& drive, const ExfatLayout& layout,
                                       const std::vector<uint32_t>& clusters, std::vector<uint32_t>* read = nullptr);

// Calls found for every well-formed entry set in the bytes whose checksum
// matches, in order, up to the end-of-folder mark (a zero type byte). A
// slot that starts no such set is passed over one entry at a time, so a
// live set written over part of a deleted one is still found. Returns the
// offset after the last examined entry.
size_t ForEachExfatEntrySet(const uint8_t* bytes, size_t size, bool stopAtEnd,
                            const std::function<void(const ExfatEntrySet&, size_t offset)>& found);

// The allocation bitmap named by the root folder's bitmap entry; empty
// when there is none or it cannot be read.
ExfatBitmap ReadExfatBitmap(const TLogiDrive& drive, const ExfatLayout& layout);

}  // namespace tarnwell::engine

#include <optional>
#include <span>

#include "engine/orphan_directory_search.h"

namespace tarnwell::engine {

// The standard scan's judge of a free exFAT cluster: it holds at least one
// well-formed entry set whose checksum matches, before any end-of-folder
// mark; it ends a folder when such a mark follows.
std::optional<OrphanClusterFacts> JudgeExfatDirectoryCluster(std::span<const uint8_t> cluster);

}  // namespace tarnwell::engine

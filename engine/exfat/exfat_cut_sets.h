#pragma once
// Entry sets that a cluster boundary cut in two. A folder whose clusters
// are scattered keeps a set's file entry at the end of one cluster and its
// last name entries at the start of another, which may lie anywhere. Once
// the folder is deleted nothing says which clusters follow which, but the
// set checksum does: the two pieces belong together exactly when, joined,
// they make a set whose checksum matches.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/exfat/entry_set.h"

namespace tarnwell::engine {

// Where a set that the end of bytes cuts short begins: a file entry after
// which only its own secondaries follow, fewer than it names. nullopt when
// the bytes end on a whole set or on other entries.
std::optional<size_t> CutSetStart(std::span<const uint8_t> bytes);

// How many secondary entries (stream extension, name) open the bytes.
size_t LeadingSecondaries(std::span<const uint8_t> bytes);

// The set that the cut piece (from CutSetStart) and the opening secondaries
// of head make, when it is well formed and its checksum matches.
std::optional<ExfatEntrySet> JoinCutSet(std::span<const uint8_t> piece, std::span<const uint8_t> head);

// The bytes of a stretch that CutSetStart and LeadingSecondaries look at:
// its first and its last entries, as many as a set can span (the whole
// stretch when it is no longer than that), so that chaining many large
// stretches holds little of them.
std::vector<uint8_t> CutSetEnds(std::span<const uint8_t> bytes);

// Stretches of a folder's bytes put in order: stretch b follows stretch a
// when a set cut at the end of a goes on at the start of b. Every stretch
// is in exactly one chain, a chain is listed from its first stretch, and
// the chains keep the order of their first stretches. At most maxTries
// joins are tried, so that many cut stretches cannot make it quadratic.
std::vector<std::vector<size_t>> ChainCutStretches(const std::vector<std::vector<uint8_t>>& stretches,
                                                   size_t maxTries = size_t{1} << 16);

}  // namespace tarnwell::engine

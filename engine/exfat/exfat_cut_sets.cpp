#include "engine/exfat/exfat_cut_sets.h"

#include <algorithm>

namespace tarnwell::engine {
namespace {

// The most secondaries a set has: a stream extension and 17 name entries.
constexpr size_t kCutMostSecondaries = 18;

bool IsCutSecondary(uint8_t type) { return (type & 0x40) != 0 && (type & 0x3F) <= 1; }

}  // namespace

std::optional<size_t> CutSetStart(std::span<const uint8_t> bytes) {
  const size_t slots = bytes.size() / kExfatEntryBytes;
  // The file entry lies within the last 18 slots, and every slot after it
  // is one of its secondaries.
  for (size_t back = 1; back <= kCutMostSecondaries && back <= slots; ++back) {
    const size_t p = (slots - back) * kExfatEntryBytes;
    const uint8_t type = bytes[p];
    if ((type | kExfatInUse) == kExfatFileEntry) {
      const size_t secondaries = bytes[p + 1];
      if (secondaries < 2 || secondaries > kCutMostSecondaries || back > secondaries) return std::nullopt;
      return p;
    }
    if (!IsCutSecondary(type)) return std::nullopt;
  }
  return std::nullopt;
}

size_t LeadingSecondaries(std::span<const uint8_t> bytes) {
  size_t n = 0;
  while (n < kCutMostSecondaries && (n + 1) * kExfatEntryBytes <= bytes.size() &&
         IsCutSecondary(bytes[n * kExfatEntryBytes]))
    ++n;
  return n;
}

std::optional<ExfatEntrySet> JoinCutSet(std::span<const uint8_t> piece, std::span<const uint8_t> head) {
  if (piece.size() < kExfatEntryBytes || piece.size() % kExfatEntryBytes != 0) return std::nullopt;
  const size_t whole = (size_t{piece[1]} + 1) * kExfatEntryBytes;
  if (whole <= piece.size()) return std::nullopt;
  const size_t needed = whole - piece.size();
  if (LeadingSecondaries(head) * kExfatEntryBytes < needed) return std::nullopt;
  std::vector<uint8_t> joined(piece.begin(), piece.end());
  joined.insert(joined.end(), head.begin(), head.begin() + static_cast<ptrdiff_t>(needed));
  std::optional<ExfatEntrySet> set = DecodeExfatEntrySet(joined.data(), joined.size());
  if (!set || !set->checksumMatches || set->entryCount * kExfatEntryBytes != joined.size()) return std::nullopt;
  return set;
}

std::vector<uint8_t> CutSetEnds(std::span<const uint8_t> bytes) {
  // A file entry and 18 secondaries at the end; 18 secondaries at the start.
  constexpr size_t kTail = (kCutMostSecondaries + 1) * kExfatEntryBytes;
  constexpr size_t kHead = kCutMostSecondaries * kExfatEntryBytes;
  const size_t whole = bytes.size() / kExfatEntryBytes * kExfatEntryBytes;
  if (whole <= kHead + kTail) return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(whole));
  std::vector<uint8_t> ends(bytes.begin(), bytes.begin() + kHead);
  ends.insert(ends.end(), bytes.begin() + static_cast<ptrdiff_t>(whole - kTail), bytes.begin() + static_cast<ptrdiff_t>(whole));
  return ends;
}

std::vector<std::vector<size_t>> ChainCutStretches(const std::vector<std::vector<uint8_t>>& stretches,
                                                   size_t maxTries) {
  const size_t n = stretches.size();
  constexpr size_t kNone = SIZE_MAX;
  std::vector<size_t> next(n, kNone);
  std::vector<bool> hasPrevious(n, false);
  std::vector<size_t> heads;
  for (size_t j = 0; j < n; ++j)
    if (LeadingSecondaries(stretches[j]) > 0) heads.push_back(j);
  size_t tries = 0;
  for (size_t i = 0; i < n && !heads.empty(); ++i) {
    const std::optional<size_t> cut = CutSetStart(stretches[i]);
    if (!cut) continue;
    const std::span<const uint8_t> piece = std::span<const uint8_t>(stretches[i]).subspan(*cut);
    for (const size_t j : heads) {
      if (j == i || hasPrevious[j]) continue;
      if (++tries > maxTries) break;
      if (JoinCutSet(piece, stretches[j])) {
        next[i] = j;
        hasPrevious[j] = true;
        break;
      }
    }
  }
  // Chains from the stretches nothing precedes; a ring (each piece names
  // the next) is broken at its first stretch.
  std::vector<std::vector<size_t>> chains;
  std::vector<bool> placed(n, false);
  const auto follow = [&](size_t start) {
    std::vector<size_t> chain;
    for (size_t k = start; k != kNone && !placed[k]; k = next[k]) {
      placed[k] = true;
      chain.push_back(k);
    }
    chains.push_back(std::move(chain));
  };
  for (size_t i = 0; i < n; ++i)
    if (!hasPrevious[i]) follow(i);
  for (size_t i = 0; i < n; ++i)
    if (!placed[i]) follow(i);
  // Listed in the order of their first stretches.
  std::sort(chains.begin(), chains.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
  return chains;
}

}  // namespace tarnwell::engine

#include "engine/fat/orphan_cluster.h"

#include <algorithm>
#include <cstring>

#include "engine/fat/dir_span.h"
#include "engine/records.h"

namespace tarnwell::engine {
namespace {

constexpr uint8_t kOrphanDeletedMark = 0xE5;
constexpr uint8_t kOrphanKanjiLead = 0x05;  // stands for a first byte 0xE5
constexpr uint8_t kLastLongNamePiece = 0x40;
constexpr uint8_t kMostLongNamePieces = 20;  // 255 characters, 13 a piece

// The bytes a short name may hold. Control bytes never; nor the characters
// every FAT implementation refuses in a short name, which text and other
// data hold often enough to tell them apart.
bool OrphanShortNameByte(uint8_t b) {
  if (b < 0x20 || b == 0x7F) return false;
  switch (b) {
    case '"': case '*': case '+': case ',': case '/': case ':': case ';': case '<':
    case '=': case '>': case '?': case '[': case '\\': case ']': case '|':
      return false;
    default:
      return true;
  }
}

// A short name is stored in capitals (the case byte says how to show it),
// padded with blanks at the end of the name and of the extension; a
// blank followed by more characters is text, not a name.
bool OrphanShortNamePart(const uint8_t* part, size_t length) {
  bool padding = false;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t b = part[i];
    if (!OrphanShortNameByte(b) || (b >= 'a' && b <= 'z')) return false;
    if (b == ' ')
      padding = true;
    else if (padding)
      return false;
  }
  return true;
}

bool OrphanShortEntryFits(const RawDirEntry& e) {
  // The attribute byte first: it turns most other data away at once, and
  // the landmark pass asks this of every sector. The case byte has only
  // two bits (lower-case name, lower-case extension).
  if (e.Attributes() >= 0x38 || (e.CaseFlags() & ~0x18) != 0) return false;
  const uint8_t first = e.bytes[0];
  // "." and ".." begin a folder; a blank first character is no name.
  if (first == '.' || first == ' ') return false;
  if (first != kOrphanDeletedMark && first != kOrphanKanjiLead && !OrphanShortNameByte(first)) return false;
  if (first >= 'a' && first <= 'z') return false;
  if (!OrphanShortNamePart(e.bytes.data() + 1, 7) || !OrphanShortNamePart(e.bytes.data() + 8, 3)) return false;
  // A folder's entry has no size. Every system stamps the modification
  // date of what it writes; the last few bytes of a text before the zeros
  // of its cluster's slack leave it zero.
  if ((e.Attributes() & kFatAttrDirectory) && e.FileSize() != 0) return false;
  if (e.ModificationDate() == 0) return false;
  return IsWellFormedShortEntry(e);
}

bool OrphanLongPieceFits(const RawDirEntry& e) {
  if (!IsWellFormedLongNamePiece(e)) return false;
  const uint8_t order = e.bytes[0];
  if (order == kOrphanDeletedMark) return true;
  const uint8_t number = order & ~kLastLongNamePiece;
  return number >= 1 && number <= kMostLongNamePieces;
}

}  // namespace

OrphanClusterVerdict JudgeOrphanCluster(std::span<const uint8_t> cluster) {
  OrphanClusterVerdict verdict;
  const size_t count = cluster.size() / kDirEntryBytes;
  if (count == 0 || StartsDirectory(cluster)) return verdict;
  size_t i = 0;
  for (; i < count; ++i) {
    const uint8_t* at = cluster.data() + i * kDirEntryBytes;
    if (at[0] == 0x00) break;
    RawDirEntry e;
    std::memcpy(e.bytes.data(), at, kDirEntryBytes);
    if (e.Attributes() == kFatAttrLongName) {
      if (!OrphanLongPieceFits(e)) return verdict;
      continue;
    }
    if (!OrphanShortEntryFits(e)) return verdict;
    if (e.Attributes() & kFatAttrVolumeLabel) continue;
    if (e.IsDeletedMark())
      ++verdict.deletedEntries;
    else
      ++verdict.liveEntries;
  }
  verdict.entriesBytes = i * kDirEntryBytes;
  if (i < count) {
    const auto rest = cluster.subspan(verdict.entriesBytes, (count - i) * kDirEntryBytes);
    if (!std::all_of(rest.begin(), rest.end(), [](uint8_t b) { return b == 0; })) return {};
    verdict.endsFolder = true;
  }
  verdict.directory = verdict.liveEntries + verdict.deletedEntries > 0;
  if (!verdict.directory) return {};
  return verdict;
}

}  // namespace tarnwell::engine

namespace tarnwell::engine {

std::optional<OrphanClusterFacts> JudgeFatDirectoryCluster(std::span<const uint8_t> cluster) {
  constexpr size_t kDotsBytes = 2 * kDirEntryBytes;
  const bool startsFolder = StartsDirectory(cluster);
  if (startsFolder && cluster.size() <= kDotsBytes) return std::nullopt;
  const OrphanClusterVerdict verdict = JudgeOrphanCluster(startsFolder ? cluster.subspan(kDotsBytes) : cluster);
  if (!verdict.directory) return std::nullopt;
  return OrphanClusterFacts{startsFolder, verdict.endsFolder};
}

}  // namespace tarnwell::engine

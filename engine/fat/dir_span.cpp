#include "engine/fat/dir_span.h"

#include <cstring>

#include "engine/filetime.h"

namespace tarnwell::engine {
namespace {

constexpr uint8_t kFirstInvalidAttributes = 0x38;

RawDirEntry EntryAt(std::span<const uint8_t> bytes, size_t i) {
  RawDirEntry e;
  std::memcpy(e.bytes.data(), bytes.data() + i * kDirEntryBytes, kDirEntryBytes);
  return e;
}

// Short names never hold control bytes (0x05 stands in for a first 0xE5).
// A cluster of uniform bytes can pass the time-stamp tests; its names give
// it away.
bool HasShortNameBytes(const RawDirEntry& e) {
  if (e.bytes[0] < 0x20 && e.bytes[0] != 0x05) return false;
  for (size_t i = 1; i < 11; ++i)
    if (e.bytes[i] < 0x20) return false;
  return true;
}

}  // namespace

std::string TrimBlanks(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

bool IsWellFormedShortEntry(const RawDirEntry& e) {
  return FormatDosDateTime(e.ModificationDate(), e.ModificationTime()).valid &&
         FormatDosDateTime(e.CreationDate(), e.CreationTime()).valid &&
         FormatDosDateTime(e.AccessDate(), 0).valid && e.Attributes() < kFirstInvalidAttributes;
}

bool IsWellFormedLongNamePiece(const RawDirEntry& e) {
  return e.Attributes() == kFatAttrLongName && e.bytes[12] == 0 && e.FirstClusterLow() == 0;
}

bool StartsDirectory(std::span<const uint8_t> bytes) {
  return bytes.size() >= 2 * kDirEntryBytes && std::memcmp(bytes.data(), ".       ", 8) == 0 &&
         std::memcmp(bytes.data() + 32, "..      ", 8) == 0;
}

ContinuationCheck CheckContinuation(std::span<const uint8_t> cluster, size_t& entriesBytes) {
  entriesBytes = 0;
  const size_t count = cluster.size() / kDirEntryBytes;
  if (count == 0 || StartsDirectory(cluster)) return ContinuationCheck::kNotDirectory;
  for (size_t i = 0; i < count; ++i) {
    const RawDirEntry e = EntryAt(cluster, i);
    if (e.bytes[0] == 0x00) {
      entriesBytes = i * kDirEntryBytes;
      return ContinuationCheck::kLastEntries;
    }
    const bool ok = e.Attributes() == kFatAttrLongName ? IsWellFormedLongNamePiece(e)
                                                       : IsWellFormedShortEntry(e) && HasShortNameBytes(e);
    if (!ok) return ContinuationCheck::kNotDirectory;
  }
  entriesBytes = count * kDirEntryBytes;
  return ContinuationCheck::kEntries;
}

}  // namespace tarnwell::engine

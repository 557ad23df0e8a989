#include "physical/raw/directory_chunk.h"

#include <algorithm>
#include <string>

#include "engine/entry_helpers.h"
#include "engine/fat/long_name.h"
#include "engine/filetime.h"

namespace tarnwell::physical::raw {
namespace {

constexpr size_t kEntryBytes = 32;
constexpr uint8_t kFirstInvalidAttributes = 0x38;

std::string TrimBlanks(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}

// Time stamps and attributes that a directory entry can hold; anything
// else means the directory ended before the chunk did.
bool LooksLikeEntry(const engine::RawDirEntry& e) {
  return engine::FormatDosDateTime(e.ModificationDate(), e.ModificationTime()).valid &&
         engine::FormatDosDateTime(e.CreationDate(), e.CreationTime()).valid &&
         engine::FormatDosDateTime(e.AccessDate(), 0).valid &&
         e.Attributes() < kFirstInvalidAttributes;
}

}  // namespace

uint32_t EntryCluster(const engine::RawDirEntry& entry, uint8_t fatKind) {
  return fatKind == kFat32Kind ? entry.FirstCluster32() : entry.FirstClusterLow();
}

void ParseDirectoryBytes(std::span<const uint8_t> bytes, bool isRoot, uint8_t fatKind,
                         uint32_t sector, std::vector<std::unique_ptr<TMidEntry>>& out) {
  const size_t count = bytes.size() / kEntryBytes;
  const size_t skipped = isRoot ? 0 : 2;
  if (count <= skipped) return;
  uint32_t cluster = 2;
  if (!isRoot) {
    engine::RawDirEntry dot;
    std::copy_n(bytes.begin(), kEntryBytes, dot.bytes.begin());
    cluster = EntryCluster(dot, fatKind);
  }
  const uint8_t caseKind = fatKind == kFat32Kind ? engine::kFat32 : engine::kFat16;
  engine::LongNameState building;
  std::string pending;
  for (size_t i = skipped; i < count; ++i) {
    engine::RawDirEntry raw;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * kEntryBytes), kEntryBytes,
                raw.bytes.begin());
    const std::string base = engine::FatBaseName(raw);
    if (base == "." || base == "..") return;  // the next directory begins here
    if (engine::ReadLfnEntry(raw, building) != engine::kNotLongName) {
      pending.clear();
      continue;
    }
    pending = engine::LongNameText(building);
    building.utf16.clear();
    if (!raw.IsDeletedMark() && base.empty()) return;  // end of the directory
    if (!LooksLikeEntry(raw)) return;
    if (raw.FileSize() == 0xFFFFFFFFu || (raw.Attributes() & engine::kFatAttrVolumeLabel)) continue;

    auto entry = std::make_unique<TMidEntry>();
    entry->DirEntry = raw;
    entry->LongName = TrimBlanks(pending);
    pending.clear();
    if (entry->LongName.empty()) engine::ApplyShortNameCase(entry->DirEntry, caseKind);
    entry->DirSector = sector;
    entry->DirCluster = cluster;
    out.push_back(std::move(entry));
  }
}

}  // namespace tarnwell::physical::raw

#include "engine/entry_order.h"

#include <algorithm>
#include <cstring>

#include "engine/ascii_text.h"
#include "engine/entry_helpers.h"

namespace tarnwell::engine {
namespace {

int CompareBytes(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// An exFAT entry has no 8.3 name; its own name, lowered, orders it.
std::string EntryNameKey(const TMidEntry& entry) {
  return entry.Exfat ? LowerAscii(entry.LongName) : FatNameKey(entry.DirEntry);
}

}  // namespace

std::string FatNameKey(const RawDirEntry& entry) {
  std::string key = FatBaseName(entry);
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  const std::string ext = FatExtension(entry);
  if (!ext.empty()) key += "." + ext;
  return key;
}

int CompareFatEntries(const TMidEntry& a, const TMidEntry& b) {
  // Parent clusters are compared as unsigned values. (A signed 32-bit
  // difference gives the same order for every real cluster number, which
  // stays below 2^28, but is not a consistent order for the garbage a
  // corrupted entry can carry, and sorting needs one.)
  if (a.ParentCluster != b.ParentCluster) return a.ParentCluster < b.ParentCluster ? -1 : 1;
  return CompareBytes(EntryNameKey(a), EntryNameKey(b));
}

int CompareNtfsRecords(const tntfsfilerecord& a, const tntfsfilerecord& b) {
  const uint64_t pa = a.FileName.ParentRecord();
  const uint64_t pb = b.FileName.ParentRecord();
  if (pa != pb) return pa < pb ? -1 : 1;
  return CompareBytes(a.Name, b.Name);
}

void SortFatEntries(FatEntryList& entries) {
  // Build each name key once instead of twice per comparison.
  struct Keyed {
    uint32_t parent;
    std::string key;
    std::unique_ptr<TMidEntry> entry;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(entries.size());
  for (auto& e : entries) {
    const uint32_t parent = e->ParentCluster;
    std::string key = EntryNameKey(*e);
    keyed.push_back({parent, std::move(key), std::move(e)});
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.parent != b.parent) return a.parent < b.parent;
    return CompareBytes(a.key, b.key) < 0;
  });
  for (size_t i = 0; i < keyed.size(); ++i) entries[i] = std::move(keyed[i].entry);
}

void SortNtfsEntries(NtfsEntryList& entries, bool rootFirst) {
  const auto begin = entries.begin() + ((rootFirst && !entries.empty()) ? 1 : 0);
  std::sort(begin, entries.end(), [](const auto& a, const auto& b) {
    return CompareNtfsRecords(*a, *b) < 0;
  });
}

}  // namespace tarnwell::engine

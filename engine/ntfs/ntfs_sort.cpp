#include "engine/ntfs/ntfs_sort.h"

#include <algorithm>
#include <cstring>

namespace tarnwell::engine::ntfs {
namespace {

struct Keyed {
  uint64_t parent;
  uint64_t prefix;  // first 8 name bytes, big-endian, zero padded
  tntfsfilerecord* record;
};

uint64_t NamePrefix(const std::string& name) {
  uint64_t v = 0;
  const size_t n = std::min<size_t>(name.size(), 8);
  for (size_t i = 0; i < 8; ++i)
    v = (v << 8) | (i < n ? static_cast<uint8_t>(name[i]) : 0);
  return v;
}

int CompareNames(const std::string& a, const std::string& b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

void SortByParentAndName(NtfsEntryList& entries) {
  std::vector<Keyed> keyed;
  keyed.reserve(entries.size());
  for (auto& e : entries)
    keyed.push_back({e->FileName.ParentRecord(), NamePrefix(e->Name), e.release()});
  std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    if (a.parent != b.parent) return a.parent < b.parent;
    // Equal prefixes with zero padding still need the whole names: "a" and
    // "a\0..." differ only there, and names longer than 8 bytes beyond it.
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return CompareNames(a.record->Name, b.record->Name) < 0;
  });
  for (size_t i = 0; i < keyed.size(); ++i) entries[i].reset(keyed[i].record);
}

}  // namespace tarnwell::engine::ntfs

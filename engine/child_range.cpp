#include <cstdint>

#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// Finds the first (or last) index whose key equals target in a list sorted
// by key: halve [low, high] until the midpoint stops moving, then test the
// two remaining candidates, the lower first for the first index and the
// upper first for the last.
template <typename KeyAt>
int FindBound(int count, uint64_t target, bool first, KeyAt keyAt) {
  int low = 0;
  int high = count - 1;
  while (high - low > 1) {
    const int mid = low + (high - low) / 2;
    const uint64_t key = keyAt(mid);
    if (first ? key < target : key <= target)
      low = mid;
    else
      high = mid;
  }
  const int a = first ? low : high;
  const int b = first ? high : low;
  if (keyAt(a) == target) return a;
  if (keyAt(b) == target) return b;
  return -1;
}

}  // namespace

bool TUndelete::GetChildRange(uint32_t key, int& first, int& last) {
  first = last = -1;
  if (!CurrentDrive) return false;
  const TLogiDrive& drive = *CurrentDrive;
  const int count = static_cast<int>(drive.EntryCount());
  if (count == 0) return false;
  auto search = [&](auto keyAt) {
    first = FindBound(count, key, true, keyAt);
    if (first < 0) return false;
    last = FindBound(count, key, false, keyAt);
    return last >= 0;
  };
  bool found;
  if (drive.IsFat()) {
    found = search([&](int i) -> uint64_t { return drive.FatEntries[i]->ParentCluster; });
  } else {
    found = search([&](int i) -> uint64_t { return drive.NtfsEntries[i]->FileName.ParentRecord(); });
  }
  if (!found) first = last = -1;
  return found;
}

}  // namespace tarnwell::engine

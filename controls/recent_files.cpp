#include "controls/recent_files.h"

#include <cstddef>

namespace tarnwell::controls {

void TRecentFiles::Add(int32_t position) {
  if (static_cast<int>(items_.size()) >= kMaxEntries) {
    items_.erase(items_.begin());
    // Keep the position on the entry it named; otherwise a repeated last
    // entry (which returns below without moving it) leaves it one past the end.
    if (position_ > 0) --position_;
  }
  if (!items_.empty() && items_.back() == position) return;
  items_.push_back(position);
  position_ = static_cast<int32_t>(items_.size()) - 1;
  canGoBack_ = position_ > 0;
  canGoForward_ = false;
}

void TRecentFiles::UpdateFlags() {
  canGoBack_ = position_ > 0;
  canGoForward_ = position_ >= 0 && position_ < static_cast<int32_t>(items_.size()) - 1;
}

int32_t TRecentFiles::Current() {
  // After Clear the position may point past the (now empty) list; only a
  // valid index is read.
  if (position_ < 0 || position_ >= static_cast<int32_t>(items_.size())) return -1;
  return items_[static_cast<size_t>(position_)];
}

int32_t TRecentFiles::GoBack() {
  int32_t result = -1;
  if (!items_.empty()) {
    if (position_ > 0) --position_;
    result = Current();
  }
  UpdateFlags();
  return result;
}

int32_t TRecentFiles::GoForward() {
  int32_t result = -1;
  if (!items_.empty()) {
    if (position_ < static_cast<int32_t>(items_.size()) - 1) ++position_;
    result = Current();
  }
  UpdateFlags();
  return result;
}

}  // namespace tarnwell::controls

#pragma once
// The back/forward history of a window's folder tree. It stores node
// positions (a node's absolute index in its tree) and knows nothing of trees.
#include <cstdint>
#include <vector>

namespace tarnwell::controls {

class TRecentFiles {
 public:
  static constexpr int kMaxEntries = 20;

  // Records a newly opened node. Forward entries are kept: the new entry
  // goes behind them and becomes the current one.
  void Add(int32_t position);
  // Step back / forward; the position stays on the first / last entry.
  // -1 for an empty history.
  int32_t GoBack();
  int32_t GoForward();
  // Forgets the entries; Position and the flags keep their values until the
  // next Add (windows always add the new root right after clearing).
  void Clear() { items_.clear(); }

  bool CanGoBack() const { return canGoBack_; }
  bool CanGoForward() const { return canGoForward_; }
  int32_t Position() const { return position_; }
  const std::vector<int32_t>& Items() const { return items_; }

 private:
  int32_t Current();
  void UpdateFlags();

  std::vector<int32_t> items_;
  int32_t position_ = -1;
  bool canGoBack_ = false;
  bool canGoForward_ = false;
};

}  // namespace tarnwell::controls

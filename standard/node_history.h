#pragma once
// Back/forward for a folder tree whose nodes come and go. TRecentFiles
// stores integers; here each integer names one stable identity (the record
// a node stands for), so a recorded position still finds its node after
// folders above it were expanded and the tree grew. Identities live until
// Clear, which a new scan calls.
#include <unordered_map>
#include <vector>

#include "controls/recent_files.h"

namespace tarnwell::standard {

class NodeHistory {
 public:
  void Clear();
  void Add(const void* identity);
  // The identity to show, or nullptr when the history is empty.
  const void* GoBack() { return Resolve(recent_.GoBack()); }
  const void* GoForward() { return Resolve(recent_.GoForward()); }
  bool CanGoBack() const { return recent_.CanGoBack(); }
  bool CanGoForward() const { return recent_.CanGoForward(); }
  const controls::TRecentFiles& Recent() const { return recent_; }

 private:
  const void* Resolve(int32_t position) const;

  controls::TRecentFiles recent_;
  std::vector<const void*> identities_;
  std::unordered_map<const void*, int32_t> numbers_;
};

}  // namespace tarnwell::standard

#include "standard/node_history.h"

#include <cstddef>

namespace tarnwell::standard {

void NodeHistory::Clear() {
  recent_.Clear();
  identities_.clear();
  numbers_.clear();
}

void NodeHistory::Add(const void* identity) {
  auto [it, added] = numbers_.try_emplace(identity, static_cast<int32_t>(identities_.size()));
  if (added) identities_.push_back(identity);
  recent_.Add(it->second);
}

const void* NodeHistory::Resolve(int32_t position) const {
  if (position < 0 || static_cast<size_t>(position) >= identities_.size()) return nullptr;
  return identities_[static_cast<size_t>(position)];
}

}  // namespace tarnwell::standard

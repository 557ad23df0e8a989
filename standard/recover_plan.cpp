#include "standard/recover_plan.h"

#include <algorithm>
#include <unordered_set>

namespace tarnwell::standard {
namespace {

// Parent chains come from the disk; a corrupted one may loop.
constexpr int kMaxDepth = 4096;

}  // namespace

RecoverPlan PlanRecovery(const std::vector<engine::EntryHandle>& ticked) {
  std::unordered_set<const void*> tickedFolders;
  for (const engine::EntryHandle& e : ticked)
    if (e.IsFolder()) tickedFolders.insert(e.Item());
  RecoverPlan plan;
  std::unordered_set<const void*> taken;
  std::vector<engine::EntryHandle> parents;
  for (size_t i = 0; i < ticked.size(); ++i) {
    const engine::EntryHandle& e = ticked[i];
    if (!taken.insert(e.Item()).second) continue;
    bool belowTicked = false;
    std::unordered_set<const void*> seen{e.Item()};
    int depth = 0;
    for (engine::EntryHandle p = e.Parent(); p && depth < kMaxDepth; p = p.Parent(), ++depth) {
      if (!seen.insert(p.Item()).second) break;
      if (tickedFolders.count(p.Item())) {
        belowTicked = true;
        break;
      }
    }
    if (belowTicked) continue;
    plan.items.push_back(i);
    parents.push_back(e.Parent());
  }
  plan.keepPaths = std::any_of(parents.begin(), parents.end(),
                               [&](const engine::EntryHandle& p) { return !(p == parents.front()); });
  return plan;
}

std::vector<std::string> FolderNamesAbove(const engine::EntryHandle& entry) {
  std::vector<std::string> names;
  std::unordered_set<const void*> seen{entry.Item()};
  for (engine::EntryHandle p = entry.Parent(); p && !p.IsRoot() && static_cast<int>(names.size()) < kMaxDepth;
       p = p.Parent()) {
    if (!seen.insert(p.Item()).second) break;
    std::string name = p.Name();
    if (name.empty() || name == "." || name == ".." || name == "\\") continue;
    names.push_back(std::move(name));
  }
  std::reverse(names.begin(), names.end());
  return names;
}

}  // namespace tarnwell::standard

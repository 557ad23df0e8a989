#pragma once
// Which ticked entries a recovery writes, and where. Ticks may lie in many
// folders (the user moved around, or ticked search results): an entry
// below a ticked folder is written with that folder, not a second time,
// and entries of different folders keep their folders' path below the
// volume's root, so that two files of one name in two folders stay apart.
#include <string>
#include <vector>

#include "engine/entry_handle.h"

namespace tarnwell::standard {

struct RecoverPlan {
  std::vector<size_t> items;  // indexes into the ticked entries, in their order
  bool keepPaths = false;     // false: all of them share one folder, written flat
};

RecoverPlan PlanRecovery(const std::vector<engine::EntryHandle>& ticked);

// The names of the folders between the volume's root and the entry, root
// side first (system code page).
std::vector<std::string> FolderNamesAbove(const engine::EntryHandle& entry);

}  // namespace tarnwell::standard

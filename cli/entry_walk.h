#pragma once
// The found entries of a scanned drive as a tree with paths, whatever
// their kind: children come from the entry handles, starting at the top of
// the drive's tree.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/entry_handle.h"
#include "engine/undelete.h"

namespace tarnwell::cli {

// One entry as the command-line front end names it, with the engine's
// handle for everything else it shows or does.
struct FoundEntry {
  std::string path;  // UTF-8, '/'-separated from the volume root, no leading '/'
  std::string name;  // UTF-8, as the list shows it
  engine::EntryHandle handle;
};

// Visits every entry reachable from the top, depth first, each folder
// before its contents. The volume's root is not visited itself: its
// entries stand at the top of the paths, and on NTFS the lost folders
// follow the root's tree. A folder whose children are found by key is
// entered once, so a record that names an ancestor as parent cannot loop.
void WalkEntries(engine::TUndelete& engine, const std::function<void(const FoundEntry&)>& visit);
// Only the entries at the top of the tree (the root's children and, on NTFS,
// the lost folders), whatever their names hold.
void WalkTopLevel(engine::TUndelete& engine, const std::function<void(const FoundEntry&)>& visit);
// The same below one entry (its descendants, not the entry itself).
void WalkBelow(const FoundEntry& folder, const std::function<void(const FoundEntry&)>& visit);

// The entry at a path ("Docs/Sub/x.txt", leading or trailing '/' ignored),
// matched exactly or else regardless of ASCII case.
std::optional<FoundEntry> FindEntryByPath(engine::TUndelete& engine, const std::string& path);
// Every entry with the given key (as list --json prints it): the way to
// name an entry whose name holds "/".
std::vector<FoundEntry> FindEntriesByKey(engine::TUndelete& engine, uint64_t key);

struct CliContext;

// Scans the volume with the given letter, drawing progress through the
// context's terminal; false (after printing why) when it cannot be scanned.
bool ScanLetter(engine::TUndelete& engine, char letter, CliContext& context);

}  // namespace tarnwell::cli

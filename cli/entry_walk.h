#pragma once
// The found entries of a scanned drive as a tree with paths, for FAT and
// NTFS alike: children come from GetChildRange, starting at the root key.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/records.h"
#include "engine/undelete.h"

namespace tarnwell::cli {

struct FoundEntry {
  std::string path;  // UTF-8, '/'-separated from the volume root, no leading '/'
  std::string name;  // UTF-8, as the list shows it
  std::string outputName;  // system code page, the name a recovered copy gets
  bool folder = false;
  bool deleted = false;
  bool damaged = false;
  uint64_t size = 0;
  uint32_t key = 0;  // folder key, or a file's first cluster / record number
  engine::TMidEntry* fat = nullptr;
  engine::tntfsfilerecord* ntfs = nullptr;
};

FoundEntry DescribeFat(engine::TMidEntry& entry, uint8_t fsKind, const std::string& parentPath);
FoundEntry DescribeNtfs(engine::tntfsfilerecord& record, const std::string& parentPath);

// Visits every entry reachable from the root, depth first, each folder
// before its contents. On FAT an entry is visited under its own parent
// record only (two folders may share a first cluster); on NTFS a folder key
// is entered once, so a record that names an ancestor as parent cannot
// loop. NTFS lost folders (parent 0) follow the root's tree.
void WalkEntries(engine::TUndelete& engine, const std::function<void(const FoundEntry&)>& visit);
// Only the entries at the top of the tree (the root's children and, on NTFS,
// the lost folders), whatever their names hold.
void WalkTopLevel(engine::TUndelete& engine, const std::function<void(const FoundEntry&)>& visit);
// The same below one entry (its descendants, not the entry itself).
void WalkBelow(engine::TUndelete& engine, const FoundEntry& folder,
               const std::function<void(const FoundEntry&)>& visit);

// The entry at a path ("Docs/Sub/x.txt", leading or trailing '/' ignored),
// matched exactly or else regardless of ASCII case.
std::optional<FoundEntry> FindEntryByPath(engine::TUndelete& engine, const std::string& path);
// Every entry with the given key (as list --json prints it): the way to
// name an entry whose name holds "/".
std::vector<FoundEntry> FindEntriesByKey(engine::TUndelete& engine, uint32_t key);

struct CliContext;

// Scans the volume with the given letter, drawing progress through the
// context's terminal; false (after printing why) when it cannot be scanned.
bool ScanLetter(engine::TUndelete& engine, char letter, CliContext& context);

}  // namespace tarnwell::cli

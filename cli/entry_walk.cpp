#include "cli/entry_walk.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "cli/cli_context.h"
#include "engine/ascii_text.h"
#include "engine/entry_helpers.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using engine::TLogiDrive;
using Visit = std::function<void(const FoundEntry&)>;

// Parent links come from the disk; no real tree is this deep.
constexpr int kMaxDepth = 1024;

std::string Join(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "/" + name;
}

// One path buffer serves the whole walk: a folder's path grows by a name on
// the way down and shrinks on the way back, so a deep tree costs one path
// and one entry at a time, not every ancestor's full path at once.
class Walker {
 public:
  Walker(engine::TUndelete& engine, const Visit& visit, std::string path, bool recurse = true)
      : engine_(engine), visit_(visit), path_(std::move(path)), recurse_(recurse) {}

  void FatChildren(uint32_t key, const engine::TMidEntry* parent) {
    TLogiDrive& drive = *engine_.CurrentDrive;
    int first = -1, last = -1;
    if (!engine_.GetChildRange(key, first, last)) return;
    for (int i = first; i <= last; ++i) {
      engine::TMidEntry& e = *drive.FatEntries[static_cast<size_t>(i)];
      // The parent links form a tree built by the walk, so following them
      // cannot loop.
      if (e.Parent != parent) continue;
      const size_t mark = path_.size();
      const std::optional<uint32_t> folderKey = HandOut(DescribeFat(e, drive.FsKind, path_));
      if (folderKey && recurse_) FatChildren(*folderKey, &e);
      path_.resize(mark);
    }
  }

  void NtfsChildren(uint32_t key, int depth = 0) {
    if (depth > kMaxDepth || !enteredKeys_.insert(key).second) return;
    TLogiDrive& drive = *engine_.CurrentDrive;
    int first = -1, last = -1;
    if (!engine_.GetChildRange(key, first, last)) return;
    for (int i = first; i <= last; ++i) {
      engine::tntfsfilerecord& r = *drive.NtfsEntries[static_cast<size_t>(i)];
      if (key == 0 && r.RecordNumber == engine::kNtfsRootRecord) continue;  // the synthetic root
      const size_t mark = path_.size();
      const std::optional<uint32_t> folderKey = HandOut(DescribeNtfs(r, path_));
      if (folderKey && recurse_) NtfsChildren(*folderKey, depth + 1);
      path_.resize(mark);
    }
  }

 private:
  // Hands the entry out, leaves its path in the buffer and drops the rest;
  // the folder key when it is a folder.
  std::optional<uint32_t> HandOut(FoundEntry found) {
    visit_(found);
    path_ = std::move(found.path);
    if (!found.folder) return std::nullopt;
    return found.key;
  }

  engine::TUndelete& engine_;
  const Visit& visit_;
  std::string path_;
  bool recurse_;
  std::unordered_set<uint32_t> enteredKeys_;
};

}  // namespace

FoundEntry DescribeFat(engine::TMidEntry& entry, uint8_t fsKind, const std::string& parentPath) {
  FoundEntry f;
  f.fat = &entry;
  f.name = platform::SystemToUtf8(engine::FatEntryName(entry, false));
  f.outputName = engine::FatEntryName(entry, true);
  f.path = Join(parentPath, f.name);
  f.folder = !engine::IsFatFile(entry);
  f.deleted = entry.Status != engine::kExisting;
  f.damaged = entry.Status == engine::kDamagedFolder;
  f.size = engine::FatEntrySize(entry);
  f.key = engine::FatFolderKey(entry, fsKind);
  return f;
}

FoundEntry DescribeNtfs(engine::tntfsfilerecord& record, const std::string& parentPath) {
  FoundEntry f;
  f.ntfs = &record;
  f.name = platform::SystemToUtf8(record.Name);
  f.outputName = record.Name;
  f.path = Join(parentPath, f.name);
  f.folder = !engine::IsNtfsFile(record);
  f.deleted = (record.RecordFlags & 1) == 0;
  f.size = record.DataSize < 0 ? 0 : static_cast<uint64_t>(record.DataSize);
  f.key = engine::NtfsFolderKey(record);
  return f;
}

namespace {

void WalkFromRoot(engine::TUndelete& engine, const Visit& visit, bool recurse) {
  if (!engine.CurrentDrive) return;
  TLogiDrive& drive = *engine.CurrentDrive;
  Walker walker(engine, visit, "", recurse);
  const uint32_t root = engine::RootFolderKey(drive);
  if (drive.IsFat()) {
    walker.FatChildren(root, nullptr);
  } else {
    walker.NtfsChildren(root);
    walker.NtfsChildren(0);
  }
}

}  // namespace

void WalkEntries(engine::TUndelete& engine, const Visit& visit) { WalkFromRoot(engine, visit, true); }

void WalkTopLevel(engine::TUndelete& engine, const Visit& visit) { WalkFromRoot(engine, visit, false); }

void WalkBelow(engine::TUndelete& engine, const FoundEntry& folder, const Visit& visit) {
  if (!engine.CurrentDrive || !folder.folder) return;
  Walker walker(engine, visit, folder.path);
  if (folder.fat)
    walker.FatChildren(folder.key, folder.fat);
  else
    walker.NtfsChildren(folder.key);
}

std::optional<FoundEntry> FindEntryByPath(engine::TUndelete& engine, const std::string& path) {
  std::string wanted = path;
  while (!wanted.empty() && wanted.front() == '/') wanted.erase(wanted.begin());
  while (!wanted.empty() && wanted.back() == '/') wanted.pop_back();
  // An exact match first; else one that differs only in ASCII case (FAT
  // names show in the case the case byte gives them).
  const std::string wantedLower = engine::LowerAscii(wanted);
  std::optional<FoundEntry> exact, folded;
  WalkEntries(engine, [&](const FoundEntry& f) {
    if (!exact && f.path == wanted) exact = f;
    if (!folded && engine::LowerAscii(f.path) == wantedLower) folded = f;
  });
  return exact ? exact : folded;
}

std::vector<FoundEntry> FindEntriesByKey(engine::TUndelete& engine, uint32_t key) {
  std::vector<FoundEntry> found;
  WalkEntries(engine, [&](const FoundEntry& f) {
    if (f.key == key) found.push_back(f);
  });
  return found;
}

bool ScanLetter(engine::TUndelete& engine, char letter, CliContext& context) {
  engine::TLogiDrive* drive = engine.FindDrive(letter);
  if (!drive) {
    std::fprintf(stderr, "tarnwell-cli: no volume %c:\n", letter);
    return false;
  }
  context.progress.SetJobBytes(static_cast<uint64_t>(std::max<int64_t>(drive->TotalBytes, 0)));
  const bool scanned = engine.ScanVolume(*drive, true, context.status, context.progress);
  context.progress.SetVisible(false);  // clears the status line on a terminal
  return scanned;
}

}  // namespace tarnwell::cli

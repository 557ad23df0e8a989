#include "cli/entry_walk.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <unordered_set>

#include "cli/cli_context.h"
#include "engine/ascii_text.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

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
  Walker(const Visit& visit, std::string path, bool recurse = true)
      : visit_(visit), path_(std::move(path)), recurse_(recurse) {}

  void Children(const engine::EntryHandle& folder, int depth = 0) {
    if (depth > kMaxDepth) return;
    if (folder.ListsChildrenByKey() && !enteredKeys_.insert(folder.FolderKey()).second) return;
    for (const engine::EntryHandle& child : folder.ChildRange()) {
      // The root is where paths start: its entries are listed in its place.
      if (child.IsRoot()) {
        Children(child, depth + 1);
        continue;
      }
      const size_t mark = path_.size();
      FoundEntry found{Join(path_, platform::SystemToUtf8(child.Name())), {}, child};
      found.name = found.path.substr(mark == 0 ? 0 : mark + 1);
      visit_(found);
      path_ = std::move(found.path);
      if (recurse_ && child.IsFolder()) Children(child, depth + 1);
      path_.resize(mark);
    }
  }

 private:
  const Visit& visit_;
  std::string path_;
  bool recurse_;
  std::unordered_set<uint64_t> enteredKeys_;
};

void WalkFromTop(engine::TUndelete& engine, const Visit& visit, bool recurse) {
  Walker(visit, "", recurse).Children(engine.TopEntry());
}

}  // namespace

void WalkEntries(engine::TUndelete& engine, const Visit& visit) { WalkFromTop(engine, visit, true); }

void WalkTopLevel(engine::TUndelete& engine, const Visit& visit) { WalkFromTop(engine, visit, false); }

void WalkBelow(const FoundEntry& folder, const Visit& visit) {
  if (folder.handle.IsFolder()) Walker(visit, folder.path).Children(folder.handle);
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

std::vector<FoundEntry> FindEntriesByKey(engine::TUndelete& engine, uint64_t key) {
  std::vector<FoundEntry> found;
  WalkEntries(engine, [&](const FoundEntry& f) {
    if (f.handle.FolderKey() == key) found.push_back(f);
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
  engine.SearchFreeClusters = !context.skipFreeClusters;
  const disk::Outcome scanned = engine.ScanVolume(*drive, true, context.status, context.progress);
  context.progress.SetVisible(false);  // clears the status line on a terminal
  if (!scanned && !scanned.shown) context.boxes.Error(std::string("cannot scan ") + letter + ": - " + scanned.Text());
  return scanned.Ok();
}

}  // namespace tarnwell::cli

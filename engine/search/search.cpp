// The search panel's query over the found entries of the current drive.
#include <exception>
#include <vector>

#include "engine/entry_helpers.h"
#include "engine/search/entry_dates.h"
#include "engine/search/wildcard.h"
#include "engine/undelete.h"

namespace tarnwell::engine {
namespace {

// The name a search compares: an NTFS record's name; a FAT entry's long
// name, else its trimmed 8.3 name with the 0xE5 of a deleted entry kept.
std::string FatSearchName(const TMidEntry& entry) {
  if (!entry.LongName.empty()) return entry.LongName;
  std::string name = FatBaseName(entry.DirEntry);
  const std::string ext = FatExtension(entry.DirEntry);
  if (!ext.empty()) name += "." + ext;
  return name;
}

struct SearchCandidate {
  std::string name;
  double date = 0;
  int64_t size = 0;
  bool deleted = false;
};

bool Qualifies(const TSearchCriteria& c, const std::vector<std::string>& patterns,
               const SearchCandidate& e) {
  if (c.DeletedOnly && !e.deleted) return false;
  if (!c.Names.empty()) {
    if (!MatchesAnyPattern(e.name, patterns, c.CaseSensitive)) return false;
  }
  if (c.DateFrom != 0 && !(c.DateFrom <= e.date && e.date <= c.DateTo)) return false;
  if (c.SizeMax >= 0 && c.SizeMin >= 0 && !(c.SizeMin <= e.size && e.size <= c.SizeMax))
    return false;
  return true;
}

}  // namespace

bool TUndelete::Search(const TSearchCriteria& criteria) {
  try {
    std::unordered_set<uint32_t> searched;
    if (criteria.FolderKey < 0) {
      const int count = CurrentDrive ? static_cast<int>(CurrentDrive->EntryCount()) : 0;
      if (count > 0) SearchEntryRange(criteria, 0, count - 1, false, searched);
      return true;
    }
    return SearchFolder(criteria, static_cast<uint32_t>(criteria.FolderKey), searched);
  } catch (const std::exception&) {
    return false;
  }
}

bool TUndelete::SearchFolder(const TSearchCriteria& criteria, uint32_t key,
                             std::unordered_set<uint32_t>& searched) {
  // A folder key is searched once: a deleted folder can point back at an
  // ancestor, and two folders can share a first cluster.
  if (!searched.insert(key).second) return true;
  int first = -1, last = -1;
  if (!GetChildRange(key, first, last)) return true;
  SearchEntryRange(criteria, first, last, true, searched);
  return true;
}

void TUndelete::SearchEntryRange(const TSearchCriteria& criteria, int first, int last,
                                 bool recurse, std::unordered_set<uint32_t>& searched) {
  const TLogiDrive& drive = *CurrentDrive;
  const std::vector<std::string> patterns = SplitPatterns(criteria.Names);
  const bool withDate = criteria.DateFrom != 0;
  for (int i = first; i <= last; ++i) {
    SearchCandidate c;
    bool isFolder = false;
    uint32_t key = 0;
    if (drive.IsFat()) {
      TMidEntry& e = *drive.FatEntries[static_cast<size_t>(i)];
      c.name = FatSearchName(e);
      if (withDate) {
        const DosDateTime d = FatEntryDate(e, criteria.DateKind);
        // An invalid stamp counts as the from-date, so it stays findable.
        c.date = d.valid ? d.value : criteria.DateFrom;
      }
      c.size = static_cast<int64_t>(FatEntrySize(e));
      c.deleted = e.Status != kExisting;
      isFolder = !IsFatFile(e);
      key = FatFolderKey(e, drive.FsKind);
      if (Qualifies(criteria, patterns, c)) SearchResults.push_back(EntryOf(e));
    } else {
      tntfsfilerecord& r = *drive.NtfsEntries[static_cast<size_t>(i)];
      c.name = r.Name;
      if (withDate) c.date = IsMadeUpNtfsRecord(r) ? 0 : NtfsRecordDate(r, criteria.DateKind);
      c.size = r.DataSize;
      c.deleted = (r.RecordFlags & 1) == 0;
      isFolder = !IsNtfsFile(r);
      key = NtfsFolderKey(r);
      if (Qualifies(criteria, patterns, c)) SearchResults.push_back(EntryOf(r));
    }
    if (recurse && isFolder) SearchFolder(criteria, key, searched);
  }
}

}  // namespace tarnwell::engine

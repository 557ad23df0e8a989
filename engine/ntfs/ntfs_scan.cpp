// The MFT scan: every usable FILE record of the volume, in use or deleted,
// becomes a found record; missing parents become "[Folder]N" folders and a
// synthetic "\" stands for the root.
#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>
#include <unordered_set>

#include "common/little_endian.h"
#include "disk/read_buffer.h"
#include "engine/boot_sector.h"
#include "engine/entry_helpers.h"
#include "engine/ntfs/file_record.h"
#include "engine/ntfs/hard_links.h"
#include "engine/ntfs/listed_attributes.h"
#include "engine/ntfs/mft_map.h"
#include "engine/ntfs/named_streams.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/ntfs_sort.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/record_name.h"
#include "engine/ntfs/run_list.h"
#include "engine/ntfs/system_records.h"
#include "engine/ntfs/update_sequence.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

constexpr uint32_t kBatchSectors = 1000;

// Hides the progress bar and clears the stop flag on every way out.
class ScanExit {
 public:
  ScanExit(ProgressBar& progress, bool& stop) : progress_(progress), stop_(stop) {}
  ~ScanExit() {
    stop_ = false;
    progress_.SetVisible(false);
  }
  ScanExit(const ScanExit&) = delete;
  ScanExit& operator=(const ScanExit&) = delete;

 private:
  ProgressBar& progress_;
  bool& stop_;
};

}  // namespace

bool TUndelete::BuildMftRuns(const trunlist& runs) {
  MftRuns.clear();
  const uint64_t spc = BootSectorView(CurrentDrive->BootSector).SectorsPerCluster();
  // Nothing of the MFT lies beyond the volume, so extents are cut there and
  // the record total cannot exceed what the volume can hold; an extent's
  // record count is a 32-bit field, which no real MFT comes near.
  const uint64_t limit = NtfsVolumeSectors();
  const auto records = [](uint64_t sectors) {
    return static_cast<uint32_t>(std::min<uint64_t>(sectors / ntfs::kSectorsPerRecord, UINT32_MAX));
  };
  uint64_t totalRecords = 0;
  std::array<uint8_t, ntfs::kRecordBytes> probe;
  const disk::VolumeReader volume = Volume();
  auto beginsRecord = [&](uint64_t sector) {
    return sector + ntfs::kSectorsPerRecord <= limit && volume.Read(sector, ntfs::kSectorsPerRecord, probe.data()) &&
           ntfs::HasRecordSignature(probe.data(), true);
  };
  for (const TRun& run : runs) {
    if (totalRecords >= limit / ntfs::kSectorsPerRecord) break;
    TMftExtent extent;
    if (run.Lcn <= 0 || spc == 0 || static_cast<uint64_t>(run.Lcn) >= limit / spc) {
      // A run outside the volume keeps its place (later record numbers
      // stay right) but holds nothing readable.
      extent.StartSector = 0;
      // (Lengths hold at most four bytes: the product cannot overflow.)
      extent.RecordCount = records(std::min<uint64_t>(static_cast<uint64_t>(run.Length) * spc, limit));
      MftRuns.push_back(extent);
      totalRecords += extent.RecordCount;
      continue;
    }
    uint64_t s = static_cast<uint64_t>(run.Lcn) * spc;
    uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(run.Length) * spc, limit - s);
    if (n == 0) continue;
    // With clusters smaller than a record, a record can straddle two runs:
    // its first half ends this run, its second half begins the next.
    if (beginsRecord(s + n - 1)) n += 1;
    pump_.Pump();
    if (!beginsRecord(s) && n > 0) {
      s += 1;
      n -= 1;
    }
    pump_.Pump();
    extent.StartSector = static_cast<int64_t>(s);
    extent.RecordCount = records(n);
    MftRuns.push_back(extent);
    totalRecords += extent.RecordCount;
  }
  return !MftRuns.empty();
}

namespace {

// The found folder with the given record number among the first `found`
// entries (still in record order); nullopt for a file or a missing record.
std::optional<size_t> FolderIndex(const NtfsEntryList& entries, size_t found, uint64_t number) {
  const auto end = entries.begin() + static_cast<std::ptrdiff_t>(found);
  const auto it = std::lower_bound(entries.begin(), end, number, [](const auto& e, uint64_t n) {
    return static_cast<uint64_t>(e->RecordNumber) < n;
  });
  if (it == end || static_cast<uint64_t>((*it)->RecordNumber) != number || IsNtfsFile(**it)) return std::nullopt;
  return static_cast<size_t>(it - entries.begin());
}

// Folders whose parent references go round in a circle never reach the
// root, so nothing would show them: the folder whose parent closes the
// circle is moved to the top level, beside the lost folders, and the rest
// of the circle hangs below it as recorded.
void BreakParentCycles(NtfsEntryList& entries, size_t found) {
  enum : uint8_t { kUnseen, kOnWalk, kSettled };
  std::vector<uint8_t> state(found, kUnseen);
  std::vector<size_t> walk;
  for (size_t i = 0; i < found; ++i) {
    if (state[i] != kUnseen || IsNtfsFile(*entries[i])) continue;
    walk.clear();
    for (size_t at = i;;) {
      state[at] = kOnWalk;
      walk.push_back(at);
      const uint64_t parent = entries[at]->FileName.ParentRecord();
      if (parent == kNtfsRootRecord) break;
      const std::optional<size_t> next = FolderIndex(entries, found, parent);
      if (!next || state[*next] == kSettled) break;
      if (state[*next] == kOnWalk) {
        entries[at]->FileName.SetParentRecord(0);
        entries[at]->FileName.SetParentSequence(0);
        break;
      }
      at = *next;
    }
    for (size_t k : walk) state[k] = kSettled;
  }
}

}  // namespace

void TUndelete::AddLostFolders(NtfsEntryList& entries) {
  LostFolders.clear();
  std::unordered_set<uint64_t> listed;
  const size_t found = entries.size();
  for (size_t i = 0; i < found; ++i) {
    const uint64_t p = entries[i]->FileName.ParentRecord();
    // Parent 0 is the top level already (a file that lost its names).
    if (p == kNtfsRootRecord || p == 0) continue;
    // Records are still in counter order, so sorted by number.
    const auto it = std::lower_bound(
        entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(found), p,
        [](const auto& e, uint64_t n) { return static_cast<uint64_t>(e->RecordNumber) < n; });
    if (it != entries.begin() + static_cast<std::ptrdiff_t>(found) &&
        static_cast<uint64_t>((*it)->RecordNumber) == p && !IsNtfsFile(**it))
      continue;
    const auto low = static_cast<uint32_t>(p);
    if (listed.insert(low).second) LostFolders.push_back(low);
  }
  // After the lost parents are listed: a broken circle's parent 0 is the
  // top level, not a lost record 0.
  BreakParentCycles(entries, found);
  for (uint32_t n : LostFolders) {
    auto folder = std::make_unique<tntfsfilerecord>(FolderTemplate);
    folder->RecordNumber = n;
    folder->FileName.SetParentRecord(0);
    folder->FileName.SetParentSequence(0);
    folder->Name = "[Folder]" + std::to_string(n);
    entries.push_back(std::move(folder));
  }
}

namespace {

// A FILE record as the list keeps it, or null when it is not listed: one
// that does not parse, or one without a name. Its place (sector and
// number) is the caller's to fill.
std::unique_ptr<tntfsfilerecord> FoundRecord(std::span<uint8_t> record, int64_t number, uint32_t residentAllocated,
                                             ntfs::ListedDataResolver& resolver) {
  ntfs::ApplyUpdateSequence(record);
  ntfs::FileRecordInfo info;
  if (!ntfs::ParseFileRecord(record, residentAllocated, &resolver, info)) return nullptr;
  auto found = std::make_unique<tntfsfilerecord>();
  found->Name = ntfs::ListedName(info);
  // A deleted file that lost its names: named after its record, as a lost
  // folder is, at the top level.
  if (found->Name.empty() && info.fileName.size() == ntfs::kFileNameHeaderBytes)
    found->Name = "[File]" + std::to_string(number);
  if (found->Name.empty()) return nullptr;
  found->AllocatedSize = info.allocatedSize;
  found->DataSize = info.dataSize;
  std::copy_n(info.fileName.begin(), ntfs::kFileNameHeaderBytes, found->FileName.bytes.begin());
  found->RecordFlags = info.flags;
  found->ContentAttributeType = info.contentType;
  found->ContentAttributeId = info.contentId;
  return found;
}

// A named stream of a listed record, as an entry beside it: "name:stream",
// the stream's sizes, the record's place, names, stamps and state. Never a
// folder, so a folder's stream is a file in the folder's parent.
std::unique_ptr<tntfsfilerecord> StreamEntry(const tntfsfilerecord& owner, ntfs::NamedStream& stream) {
  auto entry = std::make_unique<tntfsfilerecord>();
  entry->RecordSector = owner.RecordSector;
  entry->RecordNumber = owner.RecordNumber;
  entry->Name = owner.Name + ":" + platform::Utf16LeToSystem(stream.name.data(), stream.name.size());
  entry->AllocatedSize = stream.allocatedSize;
  entry->DataSize = stream.dataSize;
  entry->FileName = owner.FileName;
  entry->FileName.SetAttributes(owner.FileName.Attributes() & ~kNtfsAttrDirectory);
  entry->RecordFlags = owner.RecordFlags;
  entry->ContentAttributeType = static_cast<uint16_t>(ntfs::kAttrData);
  entry->ContentAttributeId = stream.attributeId;
  entry->StreamName = std::move(stream.name);
  return entry;
}

// Another name of a file with hard links, as an entry of its own in the
// folder that name lies in: the record's place, sizes, stamps and state.
std::unique_ptr<tntfsfilerecord> LinkEntry(const tntfsfilerecord& owner, const ntfs::LinkName& link,
                                           std::string name) {
  auto entry = std::make_unique<tntfsfilerecord>(owner);
  entry->Name = std::move(name);
  entry->FileName.SetParentRecord(link.parentRecord);
  entry->FileName.SetParentSequence(link.parentSequence);
  entry->Parent = nullptr;
  return entry;
}

// The entries for a file's names beyond the one it is listed under. Only
// a record that counts more than one link is looked at again; a folder has
// one name.
void AddLinkEntries(std::span<const uint8_t> record, const tntfsfilerecord& owner,
                    ntfs::ListedDataResolver& resolver, NtfsEntryList& entries) {
  if (ntfs::HardLinkCount(record) < 2 || (owner.RecordFlags & 2) != 0) return;
  for (const ntfs::LinkName& link : ntfs::LinkNamesOf(record, &resolver)) {
    std::string name = ntfs::TrimmedSystemName(link.name.data(), link.name.size());
    if (name.empty() || (link.parentRecord == owner.FileName.ParentRecord() && name == owner.Name)) continue;
    entries.push_back(LinkEntry(owner, link, std::move(name)));
  }
}

}  // namespace

disk::Outcome TUndelete::ScanNtfsVolume(ProgressBar& progress) {
  StopRequested = false;
  ScanExit exit(progress, StopRequested);
  try {
    // The MFT's own extents, from record 0 (through its attribute list when
    // it has one). Record 0 is read here first so that a volume cut short
    // before its MFT, or a disk refusing it, says so.
    trunlist runs;
    RecordBytes mft;
    TAttribute data;
    const uint64_t mftSector = BootSectorView(CurrentDrive->BootSector).MftStartSector();
    const std::string what = "MFT record 0";
    if (mftSector == 0 || mftSector + ntfs::kSectorsPerRecord > NtfsVolumeSectors())
      return disk::Outcome::Damaged(what, mftSector, "the boot sector places it outside the volume");
    if (disk::Outcome read = disk::ReadFor(Volume(), what, mftSector, ntfs::kSectorsPerRecord, mft.data()); !read)
      return read;
    if (!ntfs::ApplyUpdateSequence(mft))
      return disk::Outcome::Damaged(what, mftSector, "its update sequence does not match");
    if (!DataRunsOf(mft, 0, true, data, runs) || runs.empty())
      return disk::Outcome::Damaged(what, mftSector, "it holds no usable data runs of the MFT");
    CurrentDrive->NtfsEntries.clear();
    ExtensionRecords.Clear();
    progress.SetPosition(0);
    progress.SetVisible(true);
    if (!BuildMftRuns(runs))
      return disk::Outcome::Damaged(what, mftSector, "none of the MFT's runs lies inside the volume");
    try {
      ReadMftRecords(progress);
    } catch (const std::exception& e) {
      // What was found so far stays, and still gets its folders and order.
      boxes_.Error(e.what());
    }
    FinishNtfsTree(CurrentDrive->NtfsEntries);
    return disk::Outcome::Success();
  } catch (const std::exception& e) {
    boxes_.Error(e.what());
    disk::Outcome failed = disk::Outcome::Damaged("the MFT scan", 0, e.what());
    failed.shown = true;
    return failed;
  }
}

void TUndelete::ReadMftRecords(ProgressBar& progress) {
  NtfsEntryList& entries = CurrentDrive->NtfsEntries;
  uint64_t totalBatches = 0;
  for (const TMftExtent& e : MftRuns) totalBatches += (2ULL * e.RecordCount + kBatchSectors - 1) / kBatchSectors;
  const uint32_t residentAllocated =
      BootSectorView(CurrentDrive->BootSector).SectorsPerCluster() * ntfs::kSectorBytes;
  ntfs::CallbackResolver resolver(
      [this](const TAttribute& list, std::vector<uint8_t>& value) { return ReadAttributeValue(list, value); },
      [this](uint64_t number, ntfs::RecordBuffer& record) {
        const int64_t sector = RecordToSector(static_cast<int64_t>(number));
        return sector > 0 && ReadRecord(static_cast<int64_t>(number), sector, record);
      });

  // Most records of a used MFT are listed; the extents are already cut to
  // the volume, so this stays bounded.
  entries.reserve(static_cast<size_t>(std::min<uint64_t>(ntfs::TotalRecords(MftRuns), 1u << 22)));
  disk::ReadBuffer batch(static_cast<size_t>(kBatchSectors) * ntfs::kSectorBytes);
  int64_t counter = -1;
  uint64_t batchesBegun = 0;
  for (const TMftExtent& extent : MftRuns) {
    const uint64_t sectors = 2ULL * extent.RecordCount;
    for (uint64_t done = 0; done < sectors && !StopRequested; done += kBatchSectors) {
      const auto count = static_cast<uint32_t>(std::min<uint64_t>(kBatchSectors, sectors - done));
      ++batchesBegun;
      progress.SetPosition(static_cast<int>(
          std::lround(static_cast<double>(batchesBegun) / static_cast<double>(totalBatches + 1) * 100.0)));
      const uint32_t records = count / ntfs::kSectorsPerRecord;
      // A batch that cannot be read still counts its records, so later
      // record numbers stay right.
      if (extent.StartSector == 0 ||
          !Volume().Read(static_cast<uint64_t>(extent.StartSector) + done, count, batch.data())) {
        counter += records;
        continue;
      }
      for (uint32_t i = 0; i < records; ++i) {
        pump_.Pump();
        if (++counter < ntfs::kFirstUserRecord) continue;
        resolver.base = static_cast<uint64_t>(counter);
        const std::span<uint8_t> record(&batch[i * ntfs::kRecordBytes], ntfs::kRecordBytes);
        // An extension record is never an entry; recovery may want it for
        // a piece its base's list no longer names.
        if (const uint64_t base = ntfs::BaseReferenceOf(record);
            base != 0 && ntfs::HasRecordSignature(record.data(), false)) {
          ExtensionRecords.Note(base, static_cast<uint64_t>(counter));
          continue;
        }
        auto found = FoundRecord(record, counter, residentAllocated, resolver);
        if (!found) continue;
        found->RecordSector = extent.StartSector + static_cast<int64_t>(done) + ntfs::kSectorsPerRecord * i;
        found->RecordNumber = counter;
        // The streams follow their record, which keeps the record first
        // among the entries of its number.
        std::vector<ntfs::NamedStream> streams = ntfs::NamedStreamsOf(record, residentAllocated, &resolver);
        const tntfsfilerecord& owner = *found;
        entries.push_back(std::move(found));
        for (ntfs::NamedStream& s : streams) entries.push_back(StreamEntry(owner, s));
        AddLinkEntries(record, owner, resolver, entries);
      }
    }
  }
}

void TUndelete::FinishNtfsTree(NtfsEntryList& entries) {
  ntfs::DropSystemFiles(entries);
  AddLostFolders(entries);
  ntfs::SortByParentAndName(entries);
  auto root = std::make_unique<tntfsfilerecord>(FolderTemplate);
  root->RecordFlags = 1;
  root->RecordNumber = kNtfsRootRecord;
  root->FileName.SetParentRecord(0);
  root->FileName.SetParentSequence(0);
  root->Name = "\\";
  entries.insert(entries.begin(), std::move(root));
}

}  // namespace tarnwell::engine

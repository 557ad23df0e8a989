#pragma once
// The standard recovery engine: the drive list, one drive's scan at a time,
// and the flat list of found entries the window browses, searches and
// recovers from.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "disk/outcome.h"
#include "engine/entry_handle.h"
#include "engine/ntfs/extension_index.h"
#include "engine/recoverability.h"
#include "engine/records.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

class FatLayout;
// One read of a FAT folder walk: sectors at an address, the cluster they
// make up (0 for the FAT12/16 root), and whether long names start anew.
struct FatFolderRead {
  uint64_t lba = 0;
  uint32_t sectors = 0;
  uint32_t cluster = 0;
  bool newRun = false;
};
class OutputFile;
class OutputFolder;
class FatEntryKind;
class NtfsEntryKind;

// What the search panel asks for.
struct TSearchCriteria {
  std::string Names;           // comma-separated patterns; empty: any name
  bool CaseSensitive = false;
  bool DeletedOnly = false;
  int64_t FolderKey = -1;      // -1: the whole volume, else below this folder
  int64_t SizeMax = -1;        // bytes; a negative bound disables the size test
  int64_t SizeMin = -1;
  double DateTo = 0;           // date-time values (days since 1899-12-30)
  double DateFrom = 0;         // 0 disables the date test
  int DateKind = 0;            // 0 created, 1 modified, 2 accessed
};

class TUndelete {
 public:
  // Builds the drive list of the machine (letters A to Z, removable and
  // fixed drives), each drive with its volume's source.
  TUndelete(MessageBoxes& boxes, MessagePump& pump);
  // Works on the drives given, each holding the source it is read through.
  TUndelete(MessageBoxes& boxes, MessagePump& pump, std::vector<std::unique_ptr<TLogiDrive>> drives);
  ~TUndelete();
  TUndelete(const TUndelete&) = delete;
  TUndelete& operator=(const TUndelete&) = delete;

  std::vector<std::unique_ptr<TLogiDrive>> Drives;
  TLogiDrive* CurrentDrive = nullptr;
  bool Scanning = false;
  bool StopRequested = false;
  tntfsfilerecord FolderTemplate;
  std::vector<uint32_t> LostFolders;
  TRunTable MftRuns;
  // The current NTFS volume's extension records by their base, from its scan.
  ntfs::ExtensionIndex ExtensionRecords;
  bool HighWordSearch = false;
  // FAT and exFAT scans search the free clusters for lost entries after the
  // walk (it reads all free space; a stop ends it and keeps the walk's).
  bool SearchFreeClusters = true;
  // Handles of the current drive's entries that matched, filled by Search.
  std::vector<EntryHandle> SearchResults;

  // Makes the drive current, identifies it when needed and scans it; says
  // why when the volume could not be scanned. A scan that lost only some
  // folders succeeds: their read errors went to the reader's reporter.
  disk::Outcome ScanVolume(TLogiDrive& drive, bool force, StatusPanel& status, ProgressBar& progress);
  // The inclusive index range of the children of a folder in the current
  // drive's list; false with both -1 when there are none.
  bool GetChildRange(uint32_t key, int& first, int& last);
  void RequestStop() { StopRequested = true; }

  // Walks one FAT folder (nullptr: the root), appending its entries to the
  // current drive's list and, with recurse, the folders below it; says why
  // the folder itself could not be walked.
  disk::Outcome ScanFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse);

  // Fills SearchResults (appending) with the entries that meet the
  // criteria; false when the search failed part-way (engine/search/).
  bool Search(const TSearchCriteria& criteria);

  // Rescans a damaged FAT32 folder, searching the high word of the first
  // clusters of its entries (engine/fat/).
  bool RescanDamagedFolder(TMidEntry& folder, StatusPanel& status);
  // The high word of a FAT32 first cluster whose high word was cleared, found
  // by the file header its extension promises; 0 when not found.
  // Without pump it neither pumps nor stops: its answer is then the same
  // whenever it is asked (and nothing re-enters a window's row filling).
  uint16_t FindFat32HighWord(const std::string& displayName, uint16_t lowWord, bool pump = true);

  // Handles of found entries: what the front ends hold, list, recover and
  // preview (entry_handle.h).
  EntryHandle EntryOf(const TMidEntry& entry) const;
  EntryHandle EntryOf(const tntfsfilerecord& record) const;
  // The top of the current drive's tree, what a window's root lists: the
  // root folder on FAT and exFAT; on NTFS the root "\" and the lost
  // folders. Empty before a scan.
  EntryHandle TopEntry() const;
  // How much of a deleted file's (or stream's) data is still its own, from
  // the current drive's allocation map: worked out once per entry, kept in
  // it (engine/entry_recoverability.cpp). kNone for existing entries,
  // folders, and when the map cannot be read.
  Recoverability RecoverabilityOf(TMidEntry& entry);
  Recoverability RecoverabilityOf(tntfsfilerecord& record);

  // RescanDamagedFolder on the folder behind a handle; false for anything
  // but a damaged FAT32 folder.
  bool RescanDamagedFolder(const EntryHandle& folder, StatusPanel& status);

  MessageBoxes& Boxes() { return boxes_; }
  MessagePump& Pump() { return pump_; }

  // Found by the drive letter ("C:" or 'C'); nullptr when not listed.
  TLogiDrive* FindDrive(char letter);

 private:
  // The whole-volume FAT walk from the root (engine/fat/).
  disk::Outcome ScanFatVolume(StatusPanel& status, ProgressBar& progress);
  // After the walk: the free clusters that still hold directory entries no
  // listed folder owns, listed under one lost-entries node.
  void ListLostFatEntries(StatusPanel& status, ProgressBar& progress);
  // The exFAT walk from the root, file recovery and preview (engine/exfat/).
  disk::Outcome ScanExfatVolume(StatusPanel& status, ProgressBar& progress);
  bool RecoverExfatFile(TMidEntry& entry, const std::string& displayName, EventLog& log,
                        const OutputFolder& destination);
  bool ReadExfatPreview(const TMidEntry& entry, std::array<uint8_t, 2048>& buffer);
  // The MFT scan and the parent linking (engine/ntfs/).
  disk::Outcome ScanNtfsVolume(ProgressBar& progress);
  void LinkNtfsTree();

  disk::Outcome ShowUnrecognisedFormat(const TLogiDrive& drive);
  // The current drive's allocation map, opened when first asked and kept
  // until the drive is scanned again; null when it cannot be read.
  ClusterAllocation* Allocation();
  std::unique_ptr<ClusterAllocation> OpenNtfsAllocation();
  // After a file is written: its line in the log and its count when its
  // data was partly or wholly overwritten.
  void NoteOverwrittenCopy(EventLog& log, const std::string& displayName, Recoverability state);
  // The FAT entry behind a handle of this engine; null for anything else.
  TMidEntry* FatEntryOf(const EntryHandle& handle) const;
  // The current drive's volume: every read of a scan or a recovery.
  disk::VolumeReader Volume() const { return CurrentDrive ? CurrentDrive->Reader() : disk::VolumeReader(); }

  // FAT walk (engine/fat/).
  disk::Outcome WalkFatDirectory(TMidEntry* folder, StatusPanel& status, bool recurse);
  // Lists the entries the reads hold under folder (nullptr: the root) with
  // key, walking sub-folders with recurse; checkDots marks a folder whose
  // first read does not begin with "." and ".." damaged.
  disk::Outcome ReadFatFolder(TMidEntry* folder, uint32_t key, const std::vector<FatFolderRead>& reads,
                              bool checkDots, const std::string& what, StatusPanel& status, bool recurse);
  // Whether a decoded directory entry is listed (a rescan may restore its
  // FAT32 high word on the way).
  bool KeepFatEntry(RawDirEntry& raw, const FatLayout& layout, uint32_t rootCluster);
  // Whether a sub-folder is walked: not too deep, not already walked in
  // the same role.
  bool EnterFatFolder(const TMidEntry& folder, uint32_t key);
  void ResetFatWalk(const TMidEntry* startFolder);
  uint32_t FatDataCluster(const TMidEntry& entry, const std::string& displayName, bool pump = true);
  // Search below one folder key; keys already searched are skipped (a
  // deleted folder may point back at an ancestor).
  bool SearchFolder(const TSearchCriteria& criteria, uint32_t key,
                    std::unordered_set<uint32_t>& searched);
  void SearchEntryRange(const TSearchCriteria& criteria, int first, int last, bool recurse,
                        std::unordered_set<uint32_t>& searched);

  // Folder clusters already walked in this scan, each with whether it was
  // walked as a deleted folder: an existing folder and a deleted one may
  // share a first cluster and are both walked, but no cluster is walked
  // twice in the same role, so cycles end and work stays bounded.
  std::unordered_set<uint64_t> fatWalked_;
  // The clusters the walk read as a folder's: no orphan search takes them.
  std::unordered_set<uint32_t> fatFolderClusters_;
  // The entries listed under the lost-entries node, by where they lie: a
  // folder found later (a rescan) that holds one takes it over instead of
  // listing it twice.
  std::unordered_map<uint64_t, TMidEntry*> fatLostByOffset_;
  int fatDepth_ = 0;

  // NTFS record and data access of the current drive (engine/ntfs/).
  using RecordBytes = std::array<uint8_t, 1024>;
  // Reads a record (at sector, or at MFT start + 2 x number when sector is
  // 0) and applies its fix-ups.
  bool ReadRecord(int64_t recordNumber, int64_t sector, RecordBytes& record);
  // Reads a record and takes one attribute out of it.
  bool ReadRecordAttribute(int64_t recordNumber, uint32_t type, TAttribute& attribute,
                           int64_t sector, bool unnamedOnly = false);
  int64_t RecordToSector(int64_t recordNumber) const;
  // The value of an attribute: resident content, or its clusters read
  // through its run list (capped, for attribute lists).
  bool ReadAttributeValue(const TAttribute& attribute, std::vector<uint8_t>& value);
  // The unnamed data attribute of record `number` held in memory and its
  // runs, through an attribute list when the record has one: the first
  // piece's attribute, the runs of all pieces in VCN order. direct reads
  // the extension records at MFT start + 2 x n (the MFT's own, before its
  // map exists), else through the MFT map.
  // The data attribute of a record and its runs: the unnamed data, or the
  // named stream `stream` (UTF-16LE) when it is not empty.
  bool DataRunsOf(const RecordBytes& record, int64_t number, bool direct, TAttribute& data, trunlist& runs,
                  std::span<const uint8_t> stream = {});
  // The same for a found record, read once.
  bool ReadDataRuns(const tntfsfilerecord& record, TAttribute& data, trunlist& runs);
  // Reads count clusters from lcn when they lie inside the volume.
  bool ReadClusters(int64_t lcn, int64_t count, uint8_t* buffer);
  bool BuildMftRuns(const trunlist& runs);
  // Reads the records of every MFT extent in batches into the entry list.
  void ReadMftRecords(ProgressBar& progress);
  // Lost folders, the order GetChildRange relies on, and the root "\".
  void FinishNtfsTree(NtfsEntryList& entries);
  void AddLostFolders(NtfsEntryList& entries);
  bool RecoverNtfsFolder(tntfsfilerecord& folder, const std::string& displayName, EventLog& log,
                         StatusPanel& status, const OutputFolder& destination,
                         std::vector<const tntfsfilerecord*>& ancestors);
  uint32_t NtfsClusterBytes() const;
  uint64_t NtfsVolumeSectors() const;

  // Recovery into a destination folder held open. Names are in the system
  // code page. FAT in engine/fat/, NTFS in engine/ntfs/. False when the
  // item, or anything below a folder, failed, was cut short or was
  // stopped; each such item has its own line in the log. Reached through
  // the entry handles.
  friend class FatEntryKind;
  friend class NtfsEntryKind;
  bool RecoverFile(TMidEntry& entry, const std::string& displayName, EventLog& log, StatusPanel& status,
                   const OutputFolder& destination);
  bool RecoverFolder(TMidEntry& folder, const std::string& displayName, EventLog& log, StatusPanel& status,
                     const OutputFolder& destination);
  bool RecoverFile(tntfsfilerecord& record, const std::string& displayName, EventLog& log, StatusPanel& status,
                   const OutputFolder& destination);
  bool RecoverFolder(tntfsfilerecord& folder, const std::string& displayName, EventLog& log,
                     StatusPanel& status, const OutputFolder& destination);
  // The first 2048 bytes of an entry for the hex page.
  bool ReadPreview(const TMidEntry& entry, std::array<uint8_t, 2048>& buffer);
  bool ReadPreview(const tntfsfilerecord& record, std::array<uint8_t, 2048>& buffer);
  // A file or a folder with everything below it, as an entry handle
  // reports it: a stop is told from a failure by the stop flag.
  template <typename Record>
  RecoverResult RecoverEntry(Record& record, bool folder, const std::string& name, const RecoveryTarget& target) {
    const uint64_t overwrittenBefore = overwrittenCopies_;
    const bool ok = folder ? RecoverFolder(record, name, target.log, target.status, target.destination)
                           : RecoverFile(record, name, target.log, target.status, target.destination);
    if (target.overwritten) *target.overwritten += overwrittenCopies_ - overwrittenBefore;
    if (ok) return RecoverResult::kRecovered;
    return StopRequested ? RecoverResult::kStopped : RecoverResult::kFailed;
  }

  MessageBoxes& boxes_;
  MessagePump& pump_;
  std::unique_ptr<ClusterAllocation> allocation_;
  const TLogiDrive* allocationDrive_ = nullptr;  // the drive allocation_ was opened for
  bool allocationOpened_ = false;
  // Files written so far whose data was partly or wholly overwritten.
  uint64_t overwrittenCopies_ = 0;
  std::unique_ptr<FatEntryKind> fatKind_;
  std::unique_ptr<NtfsEntryKind> ntfsKind_;
};

}  // namespace tarnwell::engine

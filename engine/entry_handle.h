#pragma once
// One handle for a found entry of any kind: a FAT or exFAT directory entry
// or an NTFS record of a scanned volume, an item of a raw-range scan, and
// whatever kind comes next. A front end holds handles and asks them for
// what it shows and does (names, sizes, stamps, children, recovery,
// preview); it never looks at the record behind one. A new kind of entry is
// a new EntryKind in the engine, and every front end takes it as it is.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/exact_stamp.h"
#include "engine/recoverability.h"
#include "engine/window_interfaces.h"

namespace tarnwell::engine {

class EntryKind;
class OutputFolder;

enum class EntryStatus : uint8_t { kExisting, kDeleted, kDamaged };

// The stamps of an entry, as the search and the lists name them.
enum DateKind : int { kDateCreated = 0, kDateModified = 1, kDateAccessed = 2 };

// What a properties page shows beyond the list row.
struct EntryProperties {
  uint64_t allocated = 0;
  bool allocatedKnown = true;        // false while the cluster size is unknown
  uint32_t attributes = 0;           // Windows attribute bits (read-only 0x01, hidden
                                     // 0x02, system 0x04, archive 0x20, compressed 0x800)
  bool keepsCompressedFlag = false;  // the file system has a compressed attribute
  bool accessDateOnly = false;       // the access stamp is a date without a time
};

// What a timeline (a body file) says of an entry beyond its name and size.
struct TimelineFacts {
  // False for an entry the scan made up (a lost folder standing for a
  // parent it never found): it has no metadata of its own.
  bool known = false;
  // The metadata address as The Sleuth Kit numbers it, so that lines of
  // both can be matched and its tools (istat, icat) take ours: an NTFS
  // record with its contents attribute ("64-128-2"), a FAT or exFAT
  // directory entry's slot counted from the sector after the FATs (exFAT:
  // the cluster heap) plus 3 ("1029"). Empty when unknown.
  std::string address;
  // Seconds since 1970-01-01 UTC, 0 when unknown or before 1970: last
  // access, modification, metadata change (NTFS only) and creation.
  int64_t accessed = 0, modified = 0, changed = 0, created = 0;
  // Whether the directory entry itself says file or folder. A deleted NTFS
  // entry is named by a record that no longer says so for certain.
  bool nameTypeKnown = true;
};

// Where a recovery writes and what it reports through.
struct RecoveryTarget {
  const OutputFolder& destination;
  EventLog& log;
  StatusPanel& status;
  ProgressBar& progress;
  // The name of the copy (system code page) when the caller names it, as
  // a list row's caption does; null: the entry's own. The entries below a
  // folder always keep their own.
  const std::string* name = nullptr;
  // When set, counts the files written whose data was partly or wholly
  // overwritten (each also has its line in the log): written, but not
  // with the file's own bytes alone.
  uint64_t* overwritten = nullptr;
};

enum class RecoverResult : uint8_t {
  kRecovered,
  kFailed,   // the entry, or something below a folder, failed or came out short (logged)
  kStopped,  // the user stopped the recovery
};

// The preview buffer of the hex pages: the first four sectors.
using PreviewBuffer = std::array<uint8_t, 2048>;

class EntryHandle {
 public:
  EntryHandle() = default;
  EntryHandle(const EntryKind* kind, const void* item) : kind_(kind), item_(item) {}

  explicit operator bool() const { return item_ != nullptr; }
  bool operator==(const EntryHandle&) const = default;
  // The two words a handle is made of, for a row that keeps it opaquely.
  const EntryKind* Kind() const { return kind_; }
  const void* Item() const { return item_; }
  static EntryHandle FromParts(const void* kind, const void* item) {
    return {static_cast<const EntryKind*>(kind), item};
  }

  // Describing (names in the system code page).
  std::string Name() const;  // as the lists show it
  bool IsFolder() const;
  // The volume's root: where paths start, not a step of them.
  bool IsRoot() const;
  // True when a folder's children are the entries that name its key: a
  // record can then name one of its own descendants, and a walk enters
  // each key once. False when the children form a tree.
  bool ListsChildrenByKey() const;
  EntryStatus Status() const;
  bool IsDeleted() const { return Status() != EntryStatus::kExisting; }
  uint64_t Size() const;
  // A stamp as a date-time value (days since 1899-12-30); 0 when none.
  double Stamp(DateKind kind) const;
  // An entry the scan made up (a lost folder "[Folder]N", the root "\"):
  // it has no metadata, so no stamps, of its own.
  bool IsMadeUp() const;
  // A stamp to the precision the file system keeps it; nullopt when none.
  std::optional<ExactStamp> Exact(DateKind kind) const;
  // The key the entry's children are listed under, and the key of the
  // folder it is listed under.
  uint64_t FolderKey() const;
  uint64_t ParentKey() const;
  // The folder that holds it; an empty handle at the top.
  EntryHandle Parent() const;
  // The path of the folder that holds it, "\" and the names of its folders
  // joined by "\" ("\" alone at the root).
  std::string FolderPath() const;
  EntryProperties Properties() const;
  TimelineFacts Timeline() const;
  // How much of a deleted file's data is still its own, from the volume's
  // allocation map; kNone for existing entries and folders.
  Recoverability Recoverable() const;

  // Working.
  // The entries of a folder, in list order; empty for a file.
  std::vector<EntryHandle> ChildRange() const;
  // Copies the entry (a folder with everything below it) into the
  // destination; every failure has its line in the log.
  [[nodiscard]] RecoverResult Recover(const RecoveryTarget& target) const;
  // The first bytes of the entry's data; zeros where none could be read.
  // False when the data could not be placed or read.
  [[nodiscard]] bool ReadPreview(PreviewBuffer& buffer) const;

 private:
  const EntryKind* kind_ = nullptr;
  const void* item_ = nullptr;
};

// The operations of one kind of entry, for the records of one scan: one
// object per kind and per scan that holds such entries, so that it knows
// the records' type and the volume or range their data lies on. Handles
// point at it; it must outlive them (it lives as long as the records).
class EntryKind {
 public:
  virtual ~EntryKind() = default;
  virtual std::string Name(const void* item) const = 0;
  virtual bool IsFolder(const void* item) const = 0;
  virtual bool IsRoot(const void*) const { return false; }
  virtual bool ListsChildrenByKey() const { return false; }
  virtual EntryStatus Status(const void* item) const = 0;
  virtual uint64_t Size(const void* item) const = 0;
  virtual double Stamp(const void* item, DateKind kind) const = 0;
  virtual bool IsMadeUp(const void*) const { return false; }
  // By default the date-time value of Stamp, read as a wall clock to the
  // second.
  virtual std::optional<ExactStamp> Exact(const void* item, DateKind kind) const;
  virtual uint64_t FolderKey(const void* item) const = 0;
  virtual uint64_t ParentKey(const void* item) const = 0;
  virtual EntryHandle Parent(const void* item) const = 0;
  virtual EntryProperties Properties(const void* item) const = 0;
  virtual TimelineFacts Timeline(const void*) const { return {}; }
  // Kinds without an allocation map to ask say nothing.
  virtual Recoverability Recoverable(const void*) const { return Recoverability::kNone; }
  virtual std::vector<EntryHandle> ChildRange(const void* item) const = 0;
  virtual RecoverResult Recover(const void* item, const RecoveryTarget& target) const = 0;
  virtual bool ReadPreview(const void* item, PreviewBuffer& buffer) const = 0;

 protected:
  EntryHandle Handle(const void* item) const { return {this, item}; }
};

}  // namespace tarnwell::engine

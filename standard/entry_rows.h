#pragma once
// How the standard window shows the engine's found entries: names, images,
// statuses, sizes, stamps, folder keys and locations, for FAT entries and
// NTFS records alike, and the file-list rows made from them.
#include <QString>
#include <cstdint>
#include <string>

#include "controls/file_list_model.h"
#include "controls/type_names.h"
#include "engine/records.h"

namespace tarnwell::standard {

// The tag a row or tree node carries with its pointer.
enum EntryKind : uint8_t { kFatEntry = 0, kNtfsRecord = 1 };

struct EntryRef {
  const void* pointer = nullptr;
  uint8_t kind = kFatEntry;

  static EntryRef Of(engine::TMidEntry* e) { return {e, kFatEntry}; }
  static EntryRef Of(engine::tntfsfilerecord* r) { return {r, kNtfsRecord}; }
  engine::TMidEntry* Fat() const {
    return kind == kFatEntry ? const_cast<engine::TMidEntry*>(
                                   static_cast<const engine::TMidEntry*>(pointer))
                             : nullptr;
  }
  engine::tntfsfilerecord* Ntfs() const {
    return kind == kNtfsRecord ? const_cast<engine::tntfsfilerecord*>(
                                     static_cast<const engine::tntfsfilerecord*>(pointer))
                               : nullptr;
  }
  explicit operator bool() const { return pointer != nullptr; }
  bool operator==(const EntryRef&) const = default;
};

// File-list images.
enum ListImage : uint8_t {
  kImageFolder = 0,
  kImageDeletedFolder = 1,
  kImageDamagedFolder = 2,
  kImageFile = 3,
  kImageDeletedFile = 4,
};

// The name shown in the tree and the list (system code page): FAT long
// name or trimmed 8.3 name with a leading 0xE5 as "?"; NTFS name trimmed.
std::string EntryName(EntryRef entry);
bool IsFolder(EntryRef entry);
uint8_t EntryListImage(EntryRef entry);
// Normal and selected folder-tree images: 2/3, 4/5 deleted, 6/6 damaged.
std::pair<int, int> FolderTreeImages(EntryRef entry);
QString EntryStatusText(EntryRef entry);
int64_t EntrySize(EntryRef entry);
// The creation stamp as a date-time value; 0 when there is none.
double EntryCreation(EntryRef entry);
double EntryModification(EntryRef entry);
double EntryAccess(EntryRef entry);
// What GetChildRange and Search look the folder's children up by.
uint32_t EntryFolderKey(EntryRef entry, uint8_t fsKind);
EntryRef EntryParent(EntryRef entry);

// The folder path of an entry from the volume root: FAT "\" or "\A\B",
// NTFS built from the parent chain's names.
std::string EntryFolderPath(EntryRef entry);

// One file-list row. location (search results) replaces the type text.
controls::FileRow MakeFileRow(EntryRef entry, controls::FileListModel& model,
                              controls::TypeNameProvider& types, const QString* location);

}  // namespace tarnwell::standard

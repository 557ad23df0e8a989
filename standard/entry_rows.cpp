#include "standard/entry_rows.h"

#include <algorithm>

#include "controls/message_boxes.h"
#include "engine/ascii_text.h"
#include "engine/entry_helpers.h"
#include "engine/filetime.h"

namespace tarnwell::standard {
namespace {

using engine::TMidEntry;
using engine::tntfsfilerecord;

// Parent chains come from the disk; a corrupted one may loop.
constexpr int kMaxDepth = 4096;

bool InUse(const tntfsfilerecord& r) { return (r.RecordFlags & 1) != 0; }

std::string Trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  const size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

double DosStamp(uint16_t date, uint16_t time) {
  const engine::DosDateTime t = engine::FormatDosDateTime(date, time);
  return t.valid ? t.value : 0;
}

}  // namespace

std::string EntryName(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) return engine::FatEntryName(*e, false);
  if (const tntfsfilerecord* r = entry.Ntfs()) return Trimmed(r->Name);
  return {};
}

bool IsFolder(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) return !engine::IsFatFile(*e);
  if (const tntfsfilerecord* r = entry.Ntfs()) return !engine::IsNtfsFile(*r);
  return false;
}

uint8_t EntryListImage(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) {
    if (IsFolder(entry)) return std::min<uint8_t>(e->Status, kImageDamagedFolder);
    return e->Status ? kImageDeletedFile : kImageFile;
  }
  if (const tntfsfilerecord* r = entry.Ntfs()) {
    if (IsFolder(entry)) return InUse(*r) ? kImageFolder : kImageDeletedFolder;
    return InUse(*r) ? kImageFile : kImageDeletedFile;
  }
  return kImageFile;
}

std::pair<int, int> FolderTreeImages(EntryRef entry) {
  switch (EntryListImage(entry)) {
    case kImageDeletedFolder: return {4, 5};
    case kImageDamagedFolder: return {6, 6};
    default: return {2, 3};
  }
}

QString EntryStatusText(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) {
    if (e->Status == engine::kDamagedFolder) return QStringLiteral("已损坏");
    return e->Status ? QStringLiteral("已删除") : QString();
  }
  if (const tntfsfilerecord* r = entry.Ntfs()) return InUse(*r) ? QString() : QStringLiteral("已删除");
  return {};
}

int64_t EntrySize(EntryRef entry) {
  // exFAT lengths are 64 bits; the FAT-shaped entry holds them capped.
  if (const TMidEntry* e = entry.Fat()) return static_cast<int64_t>(engine::FatEntrySize(*e));
  if (const tntfsfilerecord* r = entry.Ntfs()) return r->DataSize;
  return 0;
}

double EntryCreation(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat())
    return DosStamp(e->DirEntry.CreationDate(), e->DirEntry.CreationTime());
  if (const tntfsfilerecord* r = entry.Ntfs())
    return engine::FileTimeToDateTime(r->FileName.CreationTime());
  return 0;
}

double EntryModification(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat())
    return DosStamp(e->DirEntry.ModificationDate(), e->DirEntry.ModificationTime());
  if (const tntfsfilerecord* r = entry.Ntfs())
    return engine::FileTimeToDateTime(r->FileName.ModificationTime());
  return 0;
}

double EntryAccess(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) return DosStamp(e->DirEntry.AccessDate(), 0);
  if (const tntfsfilerecord* r = entry.Ntfs())
    return engine::FileTimeToDateTime(r->FileName.AccessTime());
  return 0;
}

uint32_t EntryFolderKey(EntryRef entry, uint8_t fsKind) {
  if (const TMidEntry* e = entry.Fat()) return engine::FatFolderKey(*e, fsKind);
  if (const tntfsfilerecord* r = entry.Ntfs()) return engine::NtfsFolderKey(*r);
  return 0;
}

EntryRef EntryParent(EntryRef entry) {
  if (const TMidEntry* e = entry.Fat()) return e->Parent ? EntryRef::Of(e->Parent) : EntryRef{};
  if (const tntfsfilerecord* r = entry.Ntfs())
    return r->Parent ? EntryRef::Of(r->Parent) : EntryRef{};
  return {};
}

std::string EntryFolderPath(EntryRef entry) {
  std::string path;
  int depth = 0;
  if (entry.Fat()) {
    for (EntryRef p = EntryParent(entry); p && depth < kMaxDepth; p = EntryParent(p), ++depth)
      path = path.empty() ? EntryName(p) : EntryName(p) + "\\" + path;
    return "\\" + path;
  }
  for (EntryRef p = EntryParent(entry); p && depth < kMaxDepth; p = EntryParent(p), ++depth) {
    const std::string name = EntryName(p);
    if (path.empty())
      path = name;
    else
      path = (name == "\\" ? name : name + "\\") + path;
  }
  return path;
}

controls::FileRow MakeFileRow(EntryRef entry, controls::FileListModel& model,
                              controls::TypeNameProvider& types, const QString* location) {
  controls::FileRow row;
  row.handle = entry.pointer;
  row.kind = entry.kind;
  row.image = EntryListImage(entry);
  row.name = controls::FromSystem(EntryName(entry));
  if (location)
    row.text1 = model.PoolText(*location);
  else
    row.text1 = model.PoolText(IsFolder(entry) ? types.FolderTypeName() : types.FileTypeName(row.name));
  row.text2 = model.PoolText(EntryStatusText(entry));
  row.size = EntrySize(entry);
  row.date = EntryCreation(entry);
  return row;
}

}  // namespace tarnwell::standard

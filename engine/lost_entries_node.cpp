#include "engine/lost_entries_node.h"

#include <algorithm>

#include "engine/entry_helpers.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {

uint32_t LostEntriesKey(uint8_t fsKind) {
  // FAT12 and FAT16 keys are the 16-bit first cluster of the entry.
  return fsKind == kFat32 || fsKind == kExfat ? 0xFFFFFFFFu : 0xFFFFu;
}

std::string LostEntriesName() { return platform::SystemText("丢失的条目"); }

std::unique_ptr<TMidEntry> MakeLostEntriesNode(const TLogiDrive& drive) {
  auto node = std::make_unique<TMidEntry>();
  // A short name for what reads one: the caption is its long name.
  constexpr char kShortName[] = "LOST       ";
  std::copy_n(kShortName, 11, node->DirEntry.bytes.begin());
  node->DirEntry.bytes[11] = kFatAttrDirectory;
  const uint32_t key = LostEntriesKey(drive.FsKind);
  StoreLE16(&node->DirEntry.bytes[20], static_cast<uint16_t>(key >> 16));
  StoreLE16(&node->DirEntry.bytes[26], static_cast<uint16_t>(key));
  node->LongName = LostEntriesName();
  node->ParentCluster = RootFolderKey(drive);
  node->Status = kDeleted;
  if (drive.IsExfat()) node->Exfat = ExfatEntryFacts{};
  return node;
}

bool IsLostEntriesNode(const TMidEntry& entry, uint8_t fsKind) {
  return entry.Parent == nullptr && (entry.DirEntry.Attributes() & kFatAttrDirectory) != 0 &&
         FatFolderKey(entry, fsKind) == LostEntriesKey(fsKind);
}

}  // namespace tarnwell::engine

#pragma once
#include <cstdint>
#include <string>

#include "engine/records.h"

namespace tarnwell::engine {

// True for a file (directory bit 0x10 clear).
bool IsFatFile(const TMidEntry& entry);
// True when the file-name attributes, unsigned, are below 0x10000000.
bool IsNtfsFile(const tntfsfilerecord& record);

// The name of a FAT entry: its long name, else "BASE.EXT" trimmed. The
// short name's leading deletion mark 0xE5 shows as "?" on screen and becomes
// "@" in an output name; a long name is returned as it is.
std::string FatEntryName(const TMidEntry& entry, bool forOutput);

// The 8.3 base name up to the first zero byte, blanks trimmed at both ends,
// and the extension likewise.
std::string FatBaseName(const RawDirEntry& entry);
std::string FatExtension(const RawDirEntry& entry);

// The size of a file: an exFAT entry's full 64-bit length, else the FAT
// size field.
uint64_t FatEntrySize(const TMidEntry& entry);

// Folder keys: what GetChildRange looks children up by (on FAT32 and exFAT
// the folder's first cluster).
uint32_t FatFolderKey(const TMidEntry& entry, uint8_t fsKind);
uint32_t NtfsFolderKey(const tntfsfilerecord& record);
// The name a recovered copy of a record gets from the name it is shown
// under: a named stream's "file:stream" becomes "file_stream", since
// Windows keeps no ':' in a file name (and on NTFS it would open the stream).
std::string NtfsOutputName(const tntfsfilerecord& record, std::string name);
// A record the scan made up (a lost folder "[Folder]N", the root "\" it
// puts at the top): never read from the MFT, it has no stamps of its own.
inline bool IsMadeUpNtfsRecord(const tntfsfilerecord& record) { return record.RecordSector == 0; }
// The key of the root: 0 on FAT12/16, the root cluster on FAT32 and exFAT,
// 5 on NTFS.
uint32_t RootFolderKey(const TLogiDrive& drive);

}  // namespace tarnwell::engine

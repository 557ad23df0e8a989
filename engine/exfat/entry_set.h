#pragma once
// exFAT directory entry sets: a file entry (0x85), its stream extension
// (0xC0) and name entries (0xC1), guarded by a checksum over the whole set.
// The same type bytes with the in-use bit (0x80) clear (0x05, 0x40, 0x41)
// are a deleted set.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/records.h"

namespace tarnwell::engine {

inline constexpr size_t kExfatEntryBytes = 32;
inline constexpr uint8_t kExfatFileEntry = 0x85;
inline constexpr uint8_t kExfatStreamEntry = 0xC0;
inline constexpr uint8_t kExfatNameEntry = 0xC1;
inline constexpr uint8_t kExfatBitmapEntry = 0x81;
inline constexpr uint8_t kExfatLabelEntry = 0x83;
inline constexpr uint8_t kExfatInUse = 0x80;
// Stream extension flags.
inline constexpr uint8_t kExfatNoFatChain = 0x02;

struct ExfatEntrySet {
  bool inUse = false;
  size_t entryCount = 0;  // 32-byte entries the set spans, primary included
  uint16_t attributes = 0;
  // Stamps: date word in the high 16 bits, time word in the low 16 bits.
  uint32_t created = 0;
  uint32_t modified = 0;
  uint32_t accessed = 0;
  uint8_t created10ms = 0;
  uint8_t modified10ms = 0;
  std::array<uint8_t, 3> utcOffsets{};
  uint8_t streamFlags = 0;
  uint64_t validLength = 0;
  uint64_t dataLength = 0;
  uint32_t firstCluster = 0;
  std::string nameUtf16;  // UTF-16LE, exactly the name length's characters
  bool checksumMatches = false;

  bool IsFolder() const { return (attributes & kFatAttrDirectory) != 0; }
  bool NoFatChain() const { return (streamFlags & kExfatNoFatChain) != 0; }
};

// The set checksum of count entries at p (the primary's checksum field
// left out). With restoreInUse the in-use bit of every type byte counts as
// set, which is how the checksum was made before the set was deleted.
uint16_t ExfatSetChecksum(const uint8_t* p, size_t count, bool restoreInUse);

// Decodes the set whose primary entry is at p, with avail bytes readable
// from p. nullopt unless it is well formed: a file entry (in use or
// deleted) with 2 to 18 secondaries, all of them readable and in the same
// in-use state, the stream extension first, then enough name entries for
// a name of 1 to 255 characters. The checksum is reported, not required.
std::optional<ExfatEntrySet> DecodeExfatEntrySet(const uint8_t* p, size_t avail);

// The volume label of a root folder's entries (a 0x83 entry: up to 11
// UTF-16 characters), in the system code page; empty when there is none
// before the end-of-folder mark.
std::string ExfatVolumeLabel(const uint8_t* bytes, size_t size);

// The found-entry form of a set: FAT fields filled from it (size capped at
// 32 bits), the name in the system code page, and the exFAT facts.
TMidEntry ExfatSetToEntry(const ExfatEntrySet& set);

}  // namespace tarnwell::engine

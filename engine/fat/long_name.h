#pragma once
// Long-name pieces (attribute 0x0F) and the case byte of short names.
#include <cstdint>
#include <string>

#include "engine/records.h"

namespace tarnwell::engine {

// What ReadLfnEntry found.
enum LfnResult : int { kNotLongName = 0, kNewLongName = 1, kLongNameContinued = 2 };

// The long name being gathered across the entries of one folder: UTF-16LE
// bytes, converted to the system code page once the whole name is known so
// that a surrogate pair split over two pieces survives.
struct LongNameState {
  std::string utf16;
  int lastChecksum = -1;
  // The name's first piece gathered is its last one, which holds the end
  // of the name: marked so in its order byte, or (once deleted, the order
  // byte lost) ending inside it. False when the name may have begun in
  // pieces that were not read, or fills its last piece exactly.
  bool startsName = false;
};

// Takes one directory entry. Not a piece: the last checksum is reset, 0.
// A piece: its characters 1-5, 6-11 and 12-13 (each up to its first zero
// character, a part left out when its first byte is 0xFF) are put in front
// of what was gathered, since pieces are stored last-first (a part is left
// out when it starts with the 0xFFFF filler). A checksum
// different from the previous piece's starts a new name (1); the same
// checksum continues it (2). The checksum is not compared with the short
// name, so a long name goes to the next short entry whatever it is.
int ReadLfnEntry(const RawDirEntry& entry, LongNameState& state);

// The gathered name in the system code page.
std::string LongNameText(const LongNameState& state);

// The case byte (offset 12) of a short entry without a long name: a name
// whose base or extension is all lower case is stored upper case with a
// flag, so that it needs no long name. Windows and Linux show it lowered.
inline constexpr uint8_t kCaseLowerBase = 0x08;
inline constexpr uint8_t kCaseLowerExtension = 0x10;
// Rewrites the stored 8.3 name in the case the two flags ask for, each part
// on its own, on every FAT width; other bits of the byte, and a name
// without flags, are left as stored.
void ApplyShortNameCase(RawDirEntry& entry);

}  // namespace tarnwell::engine

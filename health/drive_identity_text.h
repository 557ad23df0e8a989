#pragma once
// The texts shown for an identified drive (system code page; identify
// strings are ASCII, so they pass unchanged).
#include <string>

#include "health/smart_records.h"

namespace tarnwell::health {

// Sectors of 512 bytes over 2^30 bytes, "%.2f GB". Words 60-61 stop at
// 0x0FFFFFFF sectors (128 GiB); a drive with the 48-bit address feature set
// gives its true size in words 100-103, which is used when present.
std::string CapacityText(const TDriveIdentity& identity);
uint64_t CapacitySectors(const TDriveIdentity& identity);

// The fields in reading order (after SwapWordBytes), blanks trimmed at both
// ends; a string padded with NULs is trimmed of them too.
std::string ModelText(const TDriveIdentity& identity);
std::string FirmwareText(const TDriveIdentity& identity);
std::string SerialText(const TDriveIdentity& identity);

// The entry of a drive list: the 40 model characters as stored, untrimmed;
// NUL padding reads as blanks.
std::string ModelEntryText(const TDriveIdentity& identity);

// Identify strings come from the drive: every control character of theirs
// (below 0x20, and 0x7F) becomes '?', so that no text a drive returns can
// move a terminal's cursor or break a line. Works on UTF-8 and on system
// code page text alike, since neither uses those bytes inside a character.
std::string PrintableDriveText(std::string text);

}  // namespace tarnwell::health

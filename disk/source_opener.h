#pragma once
// Opens the sector source behind a drive code of the device table.
#include <memory>

#include "disk/sector_source.h"

namespace tarnwell::disk {

// A drive code of 0 or more names a physical disk (its index in the device
// table); a negative one names a volume by minus the ASCII code of its
// upper-case letter (C: is -67).
std::unique_ptr<SectorSource> OpenSourceForDriveCode(int16_t driveCode);

// count sectors of physical disk `diskIndex` from startSector on (cut at the
// disk's end), read as a source of their own: a partition copied alone.
std::unique_ptr<SectorSource> OpenDiskRange(int diskIndex, uint64_t startSector, uint64_t sectorCount);

// The drive code of a volume letter ('c' and 'C' both give -67).
int16_t DriveCodeOfLetter(char letter);
// The letter of a negative drive code, 0 when the code names no letter.
char LetterOfDriveCode(int16_t driveCode);

}  // namespace tarnwell::disk

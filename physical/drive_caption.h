#pragma once
// How drives and sizes are named in the advanced window's disk tree (and by
// the command-line front end, which shows the same names).
#include <cstdint>
#include <string>

namespace tarnwell::physical {

class TPhysicalDrive;

// Sectors as "%.2f MB", or "%.2f GB" above 1000 MB (megabytes of 2048
// sectors): 1,000,000 sectors give "488.28 MB".
std::string FormatSectorSize(uint64_t sectors);

// "物理驱动器 00H (19.07 GB)" for a physical disk, "(C:) LABEL" for a volume;
// in the system code page.
std::string DriveCaption(const TPhysicalDrive& drive);

// What stands behind a physical drive when it is more than a plain disk or
// a raw image, for the window to show beside its caption: "loop:
// /srv/x.img", "dm: cryptdata (LUKS)", "md: raid1", "E01 image"; empty
// otherwise and for volumes. UTF-8 (paths are the file system's bytes).
std::string DriveKindNote(const TPhysicalDrive& drive);

}  // namespace tarnwell::physical

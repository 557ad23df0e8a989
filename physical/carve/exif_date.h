#pragma once
// When a picture was taken, from its EXIF data: DateTimeOriginal (or the
// IFD0 DateTime when that is missing), with OffsetTimeOriginal's zone when
// the camera wrote one, else read as local time as FAT time stamps are.
#include <ctime>
#include <optional>

#include "physical/carve/carve_reader.h"

namespace tarnwell::physical::carve {

// From a JPEG's APP1 "Exif" segment, or a TIFF-based file's first IFD.
std::optional<timespec> ExifDate(CarveReader& in);

}  // namespace tarnwell::physical::carve

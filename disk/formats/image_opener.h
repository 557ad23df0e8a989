#pragma once
// Opens an image in the format its content shows, or says why not: the
// format's reader failed (a damaged image, a missing piece or parent), or
// this build was made without the format's library.
#include <memory>
#include <string>

#include "disk/formats/decoded_sector_source.h"
#include "disk/formats/image_format.h"

namespace tarnwell::disk::formats {

// Whether this build reads the format (raw ones always).
bool FormatSupported(ImageFormat format);

// Opens a non-raw image; null with the reason in error.
std::unique_ptr<DecodedSectorSource> OpenFormatImage(const std::string& path, ImageFormat format,
                                                     std::string& error);

}  // namespace tarnwell::disk::formats

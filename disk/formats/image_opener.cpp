#include "disk/formats/image_opener.h"

#include "disk/formats/format_readers.h"

namespace tarnwell::disk::formats {

bool FormatSupported(ImageFormat format) {
  switch (format) {
    case ImageFormat::kRaw:
    case ImageFormat::kSplitRaw: return true;
    case ImageFormat::kEwf: return TARNWELL_WITH_LIBEWF;
    case ImageFormat::kVhd:
    case ImageFormat::kVhdx: return TARNWELL_WITH_LIBVHDI;
    case ImageFormat::kVmdk: return TARNWELL_WITH_LIBVMDK;
    case ImageFormat::kQcow: return TARNWELL_WITH_LIBQCOW;
  }
  return false;
}

std::unique_ptr<DecodedSectorSource> OpenFormatImage(const std::string& path, ImageFormat format,
                                                     std::string& error) {
  if (!FormatSupported(format)) {
    error = std::string(FormatName(format)) + " image, which this build of Tarnwell cannot read (it was built without " +
            LibraryOf(format) + ")";
    return nullptr;
  }
  switch (format) {
    case ImageFormat::kSplitRaw: return OpenSplitRawImage(path, error);
#if TARNWELL_WITH_LIBEWF
    case ImageFormat::kEwf: return OpenEwfImage(path, error);
#endif
#if TARNWELL_WITH_LIBVHDI
    case ImageFormat::kVhd:
    case ImageFormat::kVhdx: return OpenVhdiImage(path, FormatName(format), error);
#endif
#if TARNWELL_WITH_LIBVMDK
    case ImageFormat::kVmdk: return OpenVmdkImage(path, error);
#endif
#if TARNWELL_WITH_LIBQCOW
    case ImageFormat::kQcow: return OpenQcowImage(path, error);
#endif
    default: break;
  }
  error = "a raw image needs no reader";
  return nullptr;
}

}  // namespace tarnwell::disk::formats

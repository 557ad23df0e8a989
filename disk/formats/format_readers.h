#pragma once
// The readers of the image formats, one file each, one per library. Each
// opens an image read-only from the file a person named, or says why it
// cannot (in error, without the file's name: the caller adds it).
#include <memory>
#include <string>

#include "disk/formats/decoded_sector_source.h"

namespace tarnwell::disk::formats {

std::unique_ptr<DecodedSectorSource> OpenSplitRawImage(const std::string& firstPiece, std::string& error);
#if TARNWELL_WITH_LIBEWF
std::unique_ptr<DecodedSectorSource> OpenEwfImage(const std::string& path, std::string& error);
#endif
#if TARNWELL_WITH_LIBVHDI
// VHD and VHDX (kind names the one detected), with the parents of
// differencing images.
std::unique_ptr<DecodedSectorSource> OpenVhdiImage(const std::string& path, const std::string& kind,
                                                  std::string& error);
#endif
#if TARNWELL_WITH_LIBVMDK
// A VMDK descriptor with its extent files, or a sparse VMDK, with parents.
std::unique_ptr<DecodedSectorSource> OpenVmdkImage(const std::string& path, std::string& error);
#endif
#if TARNWELL_WITH_LIBQCOW
// QCOW2 (and QCOW), with a QCOW backing file.
std::unique_ptr<DecodedSectorSource> OpenQcowImage(const std::string& path, std::string& error);
#endif

}  // namespace tarnwell::disk::formats

#pragma once
// Which format an image file is in, told by its content: the signatures
// the forensic and virtual-machine formats begin (or, for a fixed VHD,
// end) with. A raw first piece named NAME.001 with NAME.002 beside it is
// the only format told by name, as a split raw image has no signature.
#include <string>
#include <vector>

namespace tarnwell::disk::formats {

enum class ImageFormat { kRaw, kSplitRaw, kEwf, kVhd, kVhdx, kVmdk, kQcow };

// "raw", "split raw", "E01", "VHD", "VHDX", "VMDK", "QCOW2".
const char* FormatName(ImageFormat format);
// The library that reads a format ("libewf"), empty for the raw ones.
const char* LibraryOf(ImageFormat format);

// The format of the file at path; kRaw for anything without a signature,
// and for what cannot be read (attaching it then says why).
ImageFormat DetectImageFormat(const std::string& path);

// The pieces of a split raw image from its first piece on: NAME.001,
// NAME.002, ... while they exist. Empty when path is not a numbered piece
// or has no other piece beside it. A gap (NAME.003 missing where NAME.004
// exists) is reported in missing.
std::vector<std::string> SplitRawPieces(const std::string& path, std::string* missing = nullptr);

}  // namespace tarnwell::disk::formats

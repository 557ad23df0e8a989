#include "disk/formats/image_format.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string_view>

#include "platform/unique_fd.h"

namespace tarnwell::disk::formats {
namespace {

using Block = std::array<uint8_t, 512>;

bool Begins(const Block& block, std::string_view signature) {
  return std::memcmp(block.data(), signature.data(), signature.size()) == 0;
}

// A VMDK descriptor is a text file: "# Disk DescriptorFile", or at least a
// createType line among its first lines.
bool IsVmdkDescriptor(const Block& block, size_t length) {
  std::string_view text(reinterpret_cast<const char*>(block.data()), length);
  // Padding after the text is allowed; binary content before it is not.
  text = text.substr(0, text.find('\0'));
  if (!std::all_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == '\t' || byte == '\r' || byte == '\n' || (byte >= 0x20 && byte != 0x7f);
      }))
    return false;
  const size_t start = text.find_first_not_of(" \t\r\n");
  if (start != std::string_view::npos && text.substr(start).starts_with("# Disk DescriptorFile")) return true;
  return text.find("\ncreateType") != std::string_view::npos;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The piece after NAME.NNN: NAME.(NNN + 1) with as many digits.
std::string NextPiece(const std::string& piece) {
  const size_t dot = piece.rfind('.');
  const std::string digits = piece.substr(dot + 1);
  std::string next = std::to_string(std::stoull(digits) + 1);
  if (next.size() < digits.size()) next.insert(0, digits.size() - next.size(), '0');
  return piece.substr(0, dot + 1) + next;
}

bool IsNumberedPiece(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
  const std::string digits = path.substr(dot + 1);
  // The first piece, .000 or .001 as imaging tools number them; three
  // digits at least so that "disk.1" is not taken for a piece. A later
  // piece given alone stays a raw file of its own.
  return digits.size() >= 3 && digits.size() <= 6 &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
         std::stoull(digits) <= 1;
}

// Enough pieces for a 64 TiB image cut into 1 GiB pieces.
constexpr size_t kMaxPieces = 65536;
// A gap is told from the end of the set by looking this far past it.
constexpr int kGapLookAhead = 4;

}  // namespace

const char* FormatName(ImageFormat format) {
  switch (format) {
    case ImageFormat::kSplitRaw: return "split raw";
    case ImageFormat::kEwf: return "E01";
    case ImageFormat::kVhd: return "VHD";
    case ImageFormat::kVhdx: return "VHDX";
    case ImageFormat::kVmdk: return "VMDK";
    case ImageFormat::kQcow: return "QCOW2";
    case ImageFormat::kRaw: break;
  }
  return "raw";
}

const char* LibraryOf(ImageFormat format) {
  switch (format) {
    case ImageFormat::kEwf: return "libewf";
    case ImageFormat::kVhd:
    case ImageFormat::kVhdx: return "libvhdi";
    case ImageFormat::kVmdk: return "libvmdk";
    case ImageFormat::kQcow: return "libqcow";
    case ImageFormat::kRaw:
    case ImageFormat::kSplitRaw: break;
  }
  return "";
}

ImageFormat DetectImageFormat(const std::string& path) {
  platform::UniqueFd fd = platform::UniqueFd::OpenReadOnlyNoWait(path.c_str());
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ImageFormat::kRaw;
  Block head{};
  const ssize_t got = ::pread(fd.get(), head.data(), head.size(), 0);
  if (got < 0) return ImageFormat::kRaw;
  const size_t length = static_cast<size_t>(got);
  if (length >= 8) {
    if (Begins(head, "EVF\x09\x0d\x0a\xff\x00") || Begins(head, "EVF2\x0d\x0a\x81\x00")) return ImageFormat::kEwf;
    if (Begins(head, "vhdxfile")) return ImageFormat::kVhdx;
    if (Begins(head, "conectix")) return ImageFormat::kVhd;
    if (Begins(head, "KDMV") || Begins(head, "COWD")) return ImageFormat::kVmdk;
    if (Begins(head, "QFI\xfb")) return ImageFormat::kQcow;
  }
  if (IsVmdkDescriptor(head, length)) return ImageFormat::kVmdk;
  // A fixed VHD is the raw disk followed by its footer (512 bytes, or 511
  // as some old programs wrote it).
  for (off_t footer : {off_t{512}, off_t{511}}) {
    Block tail{};
    if (st.st_size > footer && ::pread(fd.get(), tail.data(), 8, st.st_size - footer) == 8 &&
        Begins(tail, "conectix"))
      return ImageFormat::kVhd;
  }
  if (!SplitRawPieces(path).empty()) return ImageFormat::kSplitRaw;
  return ImageFormat::kRaw;
}

std::vector<std::string> SplitRawPieces(const std::string& path, std::string* missing) {
  if (!IsNumberedPiece(path)) return {};
  std::vector<std::string> pieces{path};
  for (std::string next = NextPiece(path); pieces.size() < kMaxPieces && Exists(next); next = NextPiece(next))
    pieces.push_back(next);
  // A later piece beyond a missing one still makes this a split image,
  // one that cannot be read whole.
  std::string gap;
  std::string after = NextPiece(pieces.back());
  for (int i = 0; i < kGapLookAhead && gap.empty(); ++i, after = NextPiece(after))
    if (Exists(after)) gap = NextPiece(pieces.back());
  if (pieces.size() < 2 && gap.empty()) return {};
  if (missing) *missing = gap;
  return pieces;
}

}  // namespace tarnwell::disk::formats

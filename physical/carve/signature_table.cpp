#include "physical/carve/signature_table.h"

#include <array>
#include <cstring>

#include "common/little_endian.h"
#include "physical/carve/big_endian.h"
#include "physical/carve/checksums.h"
#include "physical/carve/mpeg_audio.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kMiB = uint64_t{1} << 20;
constexpr uint64_t kGiB = uint64_t{1} << 30;

// Largest sizes: beyond what cameras, phones and office programs write,
// small enough that a walker led on by damage stops within reach.
constexpr FamilyInfo kFamilies[kFamilyCount] = {
    {Family::kJpeg, "jpeg", "jpg", "", 256 * kMiB, WalkJpeg},
    {Family::kPng, "png", "png", "", 512 * kMiB, WalkPng},
    {Family::kGif, "gif", "gif", "", 128 * kMiB, WalkGif},
    {Family::kBmp, "bmp", "bmp", "", 1 * kGiB, WalkBmp},
    {Family::kTiff, "tiff", "tif", "tiff,cr2,nef,arw,dng,orf,rw2", 1 * kGiB, WalkTiff},
    {Family::kRiff, "riff", "riff", "webp,wav,avi", 8 * kGiB, WalkRiff},
    {Family::kIsoBmff, "mp4", "mp4", "mov,m4a,m4v,3gp,3g2,heic,avif,cr3", 64 * kGiB, WalkIsoBmff},
    {Family::kEbml, "mkv", "mkv", "webm", 64 * kGiB, WalkEbml},
    {Family::kMp3, "mp3", "mp3", "mp2", 512 * kMiB, WalkMp3},
    {Family::kFlac, "flac", "flac", "", 4 * kGiB, WalkFlac},
    {Family::kOgg, "ogg", "ogg", "opus,ogv,oga", 4 * kGiB, WalkOgg},
    {Family::kPdf, "pdf", "pdf", "", 2 * kGiB, WalkPdf},
    {Family::kZip, "zip", "zip", "docx,xlsx,pptx,odt,ods,odp,odg,epub,jar,apk", 16 * kGiB, WalkZip},
    {Family::kOle2, "ole", "ole", "doc,xls,ppt,msg", 2 * kGiB, WalkOle2},
    {Family::kSqlite, "sqlite", "sqlite", "", 64 * kGiB, WalkSqlite},
    {Family::kSevenZip, "7z", "7z", "", 64 * kGiB, WalkSevenZip},
    {Family::kRar, "rar", "rar", "", 64 * kGiB, WalkRar},
    {Family::kGzip, "gz", "gz", "", 16 * kGiB, WalkGzip},
    {Family::kMpeg, "mpeg", "mpg", "ts,m2ts", 64 * kGiB, WalkMpeg},
    {Family::kPnm, "pnm", "ppm", "pgm,pbm", 1 * kGiB, WalkPnm},
    {Family::kXcf, "xcf", "xcf", "", 4 * kGiB, WalkXcf},
    {Family::kText, "txt", "txt", "csv,sh,py,xml,html,json", 64 * kMiB, WalkText},
};

bool Printable4(const uint8_t* p) {
  for (int i = 0; i < 4; ++i)
    if (p[i] < 0x20 || p[i] > 0x7E) return false;
  return true;
}

bool JpegCheck(const uint8_t* p, size_t n) {
  if (n < 4) return false;
  const uint8_t m = p[3];
  return (m >= 0xE0 && m <= 0xEF) || m == 0xDB || m == 0xC4 || m == 0xDD || m == 0xFE ||
         (m >= 0xC0 && m <= 0xCF && m != 0xC8 && m != 0xCC);
}
bool PngCheck(const uint8_t* p, size_t n) {
  return n >= 16 && LoadBE32(p + 8) == 13 && std::memcmp(p + 12, "IHDR", 4) == 0;
}
bool GifCheck(const uint8_t* p, size_t n) {
  return n >= 10 && (p[4] == '7' || p[4] == '9') && p[5] == 'a' && LoadLE16(p + 6) != 0 && LoadLE16(p + 8) != 0;
}
bool BmpCheck(const uint8_t* p, size_t n) {
  if (n < 34 || LoadLE32(p + 6) != 0) return false;
  const uint32_t dataOffset = LoadLE32(p + 10);
  const uint32_t header = LoadLE32(p + 14);
  if (dataOffset < 14 + 12 || dataOffset > (1u << 24)) return false;
  if (header == 12) return LoadLE16(p + 22) == 1 && LoadLE16(p + 24) != 0 && LoadLE16(p + 24) <= 32;
  if (header != 40 && header != 52 && header != 56 && header != 64 && header != 108 && header != 124) return false;
  const uint16_t bits = LoadLE16(p + 28);
  return static_cast<int32_t>(LoadLE32(p + 18)) > 0 && LoadLE32(p + 22) != 0 && LoadLE16(p + 26) == 1 &&
         (bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
         LoadLE32(p + 30) <= 6;
}
bool TiffLittleCheck(const uint8_t* p, size_t n) {
  if (n < 8) return false;
  if (p[2] == '*' && p[3] == 0) return LoadLE32(p + 4) >= 8;
  // Olympus (IIRO, IIRS) and Panasonic (IIU) raw files keep TIFF's layout
  // under a magic of their own.
  if ((p[2] == 'R' && (p[3] == 'O' || p[3] == 'S')) || (p[2] == 'U' && p[3] == 0)) return LoadLE32(p + 4) >= 8;
  return false;
}
bool TiffBigCheck(const uint8_t* p, size_t n) { return n >= 8 && LoadBE32(p + 4) >= 8; }
bool RiffCheck(const uint8_t* p, size_t n) {
  if (n < 12 || LoadLE32(p + 4) < 4) return false;
  return std::memcmp(p + 8, "WEBP", 4) == 0 || std::memcmp(p + 8, "WAVE", 4) == 0 ||
         std::memcmp(p + 8, "AVI ", 4) == 0;
}
bool Rf64Check(const uint8_t* p, size_t n) { return n >= 12 && std::memcmp(p + 8, "WAVE", 4) == 0; }
bool BmffCheck(const uint8_t* p, size_t n) {
  if (n < 12) return false;
  const uint32_t size = LoadBE32(p);
  return size >= 8 && size <= 4096 && size % 4 == 0 && Printable4(p + 8);
}
bool EbmlCheck(const uint8_t* p, size_t n) { return n >= 5 && p[4] != 0; }
bool Id3Check(const uint8_t* p, size_t n) {
  return n >= 10 && p[3] >= 2 && p[3] <= 4 && p[4] != 0xFF && (p[6] | p[7] | p[8] | p[9]) < 0x80;
}
bool Mp3FrameCheck(const uint8_t* p, size_t n) {
  MpegAudioFrame first, next;
  if (n < 4 || !ParseMpegAudioHeader(p, first)) return false;
  // A lone header is one byte in 4,000 of random data: the next frame must
  // follow where the first one says, when it lies in the bytes at hand.
  if (first.bytes + 4 > n) return true;
  return ParseMpegAudioHeader(p + first.bytes, next) && SameStream(first, next);
}
bool FlacCheck(const uint8_t* p, size_t n) { return n >= 8 && (p[4] & 0x7F) == 0 && LoadBE24(p + 5) == 34; }
bool OggCheck(const uint8_t* p, size_t n) { return n >= 27 && p[4] == 0 && (p[5] & 0x03) == 0x02 && p[26] != 0; }
bool PdfCheck(const uint8_t* p, size_t n) {
  return n >= 8 && p[5] >= '1' && p[5] <= '9' && p[6] == '.' && p[7] >= '0' && p[7] <= '9';
}
bool ZipCheck(const uint8_t* p, size_t n) {
  if (n < 30) return false;
  const uint16_t method = LoadLE16(p + 8);
  const uint16_t nameLength = LoadLE16(p + 26);
  return p[4] <= 63 && (method <= 9 || method == 12 || method == 14 || method == 93 || method == 95 ||
                        method == 98 || method == 99) &&
         nameLength > 0 && nameLength <= 4096;
}
bool Ole2Check(const uint8_t* p, size_t n) {
  if (n < 0x4C) return false;
  const uint16_t major = LoadLE16(p + 0x1A);
  const uint16_t shift = LoadLE16(p + 0x1E);
  return LoadLE16(p + 0x1C) == 0xFFFE && ((major == 3 && shift == 9) || (major == 4 && shift == 12)) &&
         LoadLE16(p + 0x20) == 6;
}
bool SqliteCheck(const uint8_t* p, size_t n) {
  if (n < 100) return false;
  const uint32_t page = LoadBE16(p + 16);
  return (page == 1 || (page >= 512 && (page & (page - 1)) == 0)) && p[21] == 64 && p[22] == 32 && p[23] == 32;
}
bool SevenZipCheck(const uint8_t* p, size_t n) {
  return n >= 32 && p[6] == 0 && Crc32(0, p + 12, 20) == LoadLE32(p + 8);
}
bool RarCheck(const uint8_t* p, size_t n) {
  return n >= 8 && (p[6] == 0 || (p[6] == 1 && p[7] == 0));
}
bool GzipCheck(const uint8_t* p, size_t n) {
  return n >= 10 && (p[3] & 0xE0) == 0 && (p[8] == 0 || p[8] == 2 || p[8] == 4) && (p[9] <= 13 || p[9] == 255);
}
bool MpegPsCheck(const uint8_t* p, size_t n) {
  // MPEG-2 packs begin 01xxx1xx after the start code, MPEG-1 packs 0010xxx1.
  return n >= 14 && ((p[4] & 0xC4) == 0x44 || (p[4] & 0xF1) == 0x21);
}
bool TsCheck(const uint8_t* p, size_t n) {
  return n >= 378 && p[188] == 0x47 && p[376] == 0x47 && ((p[1] | p[189] | p[377]) & 0x80) == 0;
}
bool M2tsCheck(const uint8_t* p, size_t n) {
  return n >= 390 && p[4] == 0x47 && p[196] == 0x47 && p[388] == 0x47 && ((p[5] | p[197] | p[389]) & 0x80) == 0;
}
bool PnmCheck(const uint8_t* p, size_t n) {
  if (n < 4 || p[1] < '1' || p[1] > '6') return false;
  const bool blank = p[2] == ' ' || p[2] == '\n' || p[2] == '\r' || p[2] == '\t';
  return blank && ((p[3] >= '0' && p[3] <= '9') || p[3] == '#' || p[3] == ' ' || p[3] == '\n');
}
bool XcfCheck(const uint8_t* p, size_t n) {
  return n >= 14 && (std::memcmp(p + 9, "file", 5) == 0 || (p[9] == 'v' && p[13] == 0));
}

struct Signature {
  Family family;
  uint8_t offset;  // of the magic bytes
  uint8_t length;
  uint8_t magic[16];
  bool strong;
  bool (*check)(const uint8_t*, size_t);
};

// In the order candidates are tried where more than one matches.
constexpr Signature kSignatures[] = {
    {Family::kJpeg, 0, 3, {0xFF, 0xD8, 0xFF}, true, JpegCheck},
    {Family::kPng, 0, 8, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, true, PngCheck},
    {Family::kGif, 0, 4, {'G', 'I', 'F', '8'}, true, GifCheck},
    {Family::kTiff, 0, 2, {'I', 'I'}, true, TiffLittleCheck},
    {Family::kTiff, 0, 4, {'M', 'M', 0, '*'}, true, TiffBigCheck},
    {Family::kRiff, 0, 4, {'R', 'I', 'F', 'F'}, true, RiffCheck},
    {Family::kRiff, 0, 4, {'R', 'F', '6', '4'}, true, Rf64Check},
    {Family::kIsoBmff, 4, 4, {'f', 't', 'y', 'p'}, true, BmffCheck},
    {Family::kEbml, 0, 4, {0x1A, 0x45, 0xDF, 0xA3}, true, EbmlCheck},
    {Family::kFlac, 0, 4, {'f', 'L', 'a', 'C'}, true, FlacCheck},
    {Family::kOgg, 0, 4, {'O', 'g', 'g', 'S'}, true, OggCheck},
    {Family::kPdf, 0, 5, {'%', 'P', 'D', 'F', '-'}, true, PdfCheck},
    {Family::kZip, 0, 4, {'P', 'K', 3, 4}, true, ZipCheck},
    {Family::kOle2, 0, 8, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}, true, Ole2Check},
    {Family::kSqlite, 0, 16, {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f', 'o', 'r', 'm', 'a', 't', ' ', '3', 0}, true,
     SqliteCheck},
    {Family::kSevenZip, 0, 6, {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C}, true, SevenZipCheck},
    {Family::kRar, 0, 6, {'R', 'a', 'r', '!', 0x1A, 0x07}, true, RarCheck},
    {Family::kGzip, 0, 3, {0x1F, 0x8B, 0x08}, true, GzipCheck},
    {Family::kMpeg, 0, 4, {0x00, 0x00, 0x01, 0xBA}, true, MpegPsCheck},
    {Family::kXcf, 0, 9, {'g', 'i', 'm', 'p', ' ', 'x', 'c', 'f', ' '}, true, XcfCheck},
    {Family::kMp3, 0, 3, {'I', 'D', '3'}, true, Id3Check},
    {Family::kMp3, 0, 1, {0xFF}, false, Mp3FrameCheck},
    {Family::kBmp, 0, 2, {'B', 'M'}, false, BmpCheck},
    {Family::kMpeg, 0, 1, {0x47}, false, TsCheck},
    {Family::kPnm, 0, 1, {'P'}, false, PnmCheck},
    // A Blu-ray stream's packets carry four bytes of time stamp before each
    // sync byte, so its first byte is anything: tested on every block.
    {Family::kMpeg, 4, 1, {0x47}, false, M2tsCheck},
};
constexpr size_t kSignatureCount = sizeof kSignatures / sizeof kSignatures[0];
static_assert(kSignatureCount <= 64);
constexpr unsigned kAnyFirstByte = kSignatureCount - 1;

struct Dispatch {
  std::array<uint64_t, 256> byFirstByte{};
  uint64_t strong = 0;
};

constexpr Dispatch MakeDispatch() {
  Dispatch d{};
  for (unsigned i = 0; i < kSignatureCount; ++i) {
    const Signature& s = kSignatures[i];
    if (i == kAnyFirstByte) {
      for (auto& mask : d.byFirstByte) mask |= uint64_t{1} << i;
    } else if (s.offset == 0) {
      d.byFirstByte[s.magic[0]] |= uint64_t{1} << i;
    } else {
      // An ISO BMFF file begins with the size of its small ftyp box.
      d.byFirstByte[0] |= uint64_t{1} << i;
    }
    if (s.strong) d.strong |= uint64_t{1} << i;
  }
  return d;
}
constexpr Dispatch kDispatch = MakeDispatch();

bool Matches(const Signature& s, const uint8_t* bytes, size_t n) {
  if (n < size_t{s.offset} + s.length) return false;
  for (unsigned k = 0; k < s.length; ++k)
    if (bytes[s.offset + k] != s.magic[k]) return false;
  return !s.check || s.check(bytes, n);
}

uint64_t MatchMask(uint64_t candidates, const uint8_t* bytes, size_t n) {
  uint64_t found = 0;
  while (candidates) {
    const unsigned i = static_cast<unsigned>(__builtin_ctzll(candidates));
    candidates &= candidates - 1;
    if (Matches(kSignatures[i], bytes, n)) found |= uint64_t{1} << i;
  }
  return found;
}

}  // namespace

const FamilyInfo& InfoOf(Family family) { return kFamilies[static_cast<size_t>(family)]; }
std::span<const FamilyInfo> Families() { return kFamilies; }

bool FamilyOfName(std::string_view name, Family& family, bool& whole) {
  for (const FamilyInfo& f : kFamilies) {
    whole = name == f.name || name == f.extension;
    if (whole) {
      family = f.family;
      return true;
    }
    std::string_view others = f.otherExtensions;
    while (!others.empty()) {
      const size_t comma = others.find(',');
      if (others.substr(0, comma) == name) {
        family = f.family;
        return true;
      }
      if (comma == std::string_view::npos) break;
      others.remove_prefix(comma + 1);
    }
  }
  return false;
}

SignatureMatcher::SignatureMatcher(FamilySet families) : withoutAnyFirstByte_(~(uint64_t{1} << kAnyFirstByte)) {
  uint64_t enabled = 0;
  for (unsigned i = 0; i < kSignatureCount; ++i)
    if (families & Bit(kSignatures[i].family)) enabled |= uint64_t{1} << i;
  for (size_t b = 0; b < 256; ++b) byFirstByte_[b] = kDispatch.byFirstByte[b] & enabled;
}

uint64_t SignatureMatcher::MatchCandidates(uint64_t candidates, const uint8_t* bytes, size_t n) {
  return MatchMask(candidates, bytes, n);
}

uint64_t MatchSignatures(const uint8_t* bytes, size_t n) {
  static const SignatureMatcher all(kAllFamilies);
  return all.Match(bytes, n);
}

unsigned SignatureCount() { return kSignatureCount; }
Family SignatureFamily(unsigned index) { return kSignatures[index].family; }

bool StrongSignatureAt(const uint8_t* bytes, size_t n) {
  if (n == 0) return false;
  return MatchMask(kDispatch.byFirstByte[bytes[0]] & kDispatch.strong, bytes, n) != 0;
}

}  // namespace tarnwell::physical::carve

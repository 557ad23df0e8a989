#pragma once
// The one table of everything the signature scan recognises: the families
// of formats with the walker that checks each to its end and the largest
// size it may have, and the signatures that a block's first bytes are
// tested against. One lookup on a block's first byte picks the few
// signatures worth comparing; each comparison is a handful of byte tests
// within the block, so a whole disk is tested at the rate it is read.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "physical/carve/carve_reader.h"
#include "physical/carve/walk_result.h"

namespace tarnwell::physical::carve {

enum class Family : uint8_t {
  kJpeg,
  kPng,
  kGif,
  kBmp,
  kTiff,
  kRiff,
  kIsoBmff,
  kEbml,
  kMp3,
  kFlac,
  kOgg,
  kPdf,
  kZip,
  kOle2,
  kSqlite,
  kSevenZip,
  kRar,
  kGzip,
  kMpeg,
  kPnm,
  kXcf,
  kText,
};
inline constexpr size_t kFamilyCount = static_cast<size_t>(Family::kText) + 1;

using Walker = WalkResult (*)(CarveReader&);

struct FamilyInfo {
  Family family;
  const char* name;              // as --types takes it
  const char* extension;         // of its files unless the walker names another
  const char* otherExtensions;   // the others its walker names, comma-separated
  uint64_t largestBytes;         // no file of the family is read past this
  Walker walk;                   // null for text, which the scan follows itself
};

const FamilyInfo& InfoOf(Family family);
std::span<const FamilyInfo> Families();

// A set of families, one bit each.
using FamilySet = uint32_t;
inline constexpr FamilySet kAllFamilies = (FamilySet{1} << kFamilyCount) - 1;
inline constexpr FamilySet Bit(Family f) { return FamilySet{1} << static_cast<unsigned>(f); }

// The family whose name or one of whose extensions is `name` ("jpg",
// "jpeg", "docx", "tiff"); false when none is. `whole` tells a name of
// the family itself (or its own extension) from one of its other kinds.
bool FamilyOfName(std::string_view name, Family& family, bool& whole);

// The signatures of some families, tested at block starts: what the scan
// runs on every block, so the first-byte lookup is inline and the table
// holds only the families asked for.
class SignatureMatcher {
 public:
  explicit SignatureMatcher(FamilySet families);
  // As MatchSignatures, for the matcher's families only.
  uint64_t Match(const uint8_t* bytes, size_t n) const {
    if (n == 0) return 0;
    uint64_t candidates = byFirstByte_[bytes[0]];
    // The one signature tested on every block fails at its fifth byte on
    // almost all of them: ruled out here, most blocks need no loop at all.
    if (n <= 4 || bytes[4] != 0x47) candidates &= withoutAnyFirstByte_;
    return candidates ? MatchCandidates(candidates, bytes, n) : 0;
  }

 private:
  static uint64_t MatchCandidates(uint64_t candidates, const uint8_t* bytes, size_t n);
  uint64_t byFirstByte_[256];
  uint64_t withoutAnyFirstByte_;
};

// Signatures whose test passes on the bytes at a block start (n of them at
// hand, at least a sector's worth for a full test), one bit per entry of
// the signature list, in the order they are to be tried. Plain byte tests:
// nothing is allocated, so it runs over mapped bytes.
uint64_t MatchSignatures(const uint8_t* bytes, size_t n);
// How many signatures the list has (at most 64), and the family of
// signature number `index`.
unsigned SignatureCount();
Family SignatureFamily(unsigned index);

// A strong signature (four bytes or more, with its header test) at the
// start of the bytes: strong enough that where one begins inside data
// without structure of its own, that data has ended.
bool StrongSignatureAt(const uint8_t* bytes, size_t n);

}  // namespace tarnwell::physical::carve

// One family's structure walker on any bytes (the family is chosen when
// the target is built: TARNWELL_CARVE_FAMILY names its enumerator). Nothing
// may crash, hang, allocate by a size read from the bytes, or claim more
// bytes than there are; the signature tests and the EXIF reader run too.
#include <cstdint>
#include <span>

#include "physical/carve/carve_reader.h"
#include "physical/carve/exif_date.h"
#include "physical/carve/signature_table.h"

#ifndef TARNWELL_CARVE_FAMILY
#error "build with -DTARNWELL_CARVE_FAMILY=kJpeg (or another Family enumerator)"
#endif

using namespace tarnwell::physical::carve;

namespace {
constexpr Family kFamily = Family::TARNWELL_CARVE_FAMILY;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> bytes(data, size);
  // The block size from the last byte, so boundaries fall everywhere.
  const uint32_t block = size ? 512u << (data[size - 1] & 3) : 512u;
  SpanReader in(bytes, block);
  const FamilyInfo& info = InfoOf(kFamily);
  const WalkResult result = info.walk(in);
  if (result.length > size) __builtin_trap();
  if (result.verdict == Verdict::kComplete && result.length == 0) __builtin_trap();
  volatile uint64_t matched = MatchSignatures(data, size);
  volatile bool strong = StrongSignatureAt(data, size);
  (void)matched;
  (void)strong;
  if constexpr (kFamily == Family::kJpeg || kFamily == Family::kTiff) {
    SpanReader again(bytes, block);
    volatile bool dated = ExifDate(again).has_value();
    (void)dated;
  }
  return 0;
}

#include "engine/fat/long_name.h"

#include <utility>

#include "engine/ascii_text.h"
#include "engine/entry_helpers.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

// The UTF-16 characters of one part of a piece, up to its first zero
// character; empty when the part starts with the 0xFFFF filler. (Testing
// only the first byte for 0xFF would drop parts that begin with a real
// character such as U+4EFF.)
std::string PieceChars(const RawDirEntry& entry, size_t offset, size_t chars) {
  if (entry.bytes[offset] == 0xFF && entry.bytes[offset + 1] == 0xFF) return {};
  std::string out;
  for (size_t i = 0; i < chars; ++i) {
    const uint8_t lo = entry.bytes[offset + 2 * i];
    const uint8_t hi = entry.bytes[offset + 2 * i + 1];
    if (lo == 0 && hi == 0) break;
    out.push_back(static_cast<char>(lo));
    out.push_back(static_cast<char>(hi));
  }
  return out;
}

// The trimmed field (up to a zero byte) lowered and copied over the start
// of the field, as the stored name is rewritten in place.
void LowerField(RawDirEntry& entry, size_t offset, size_t width) {
  const std::string trimmed = offset == 0 ? FatBaseName(entry) : FatExtension(entry);
  const std::string lowered = LowerAscii(trimmed);
  for (size_t i = 0; i < lowered.size() && i < width; ++i)
    entry.bytes[offset + i] = static_cast<uint8_t>(lowered[i]);
}

constexpr uint8_t kLastPieceFlag = 0x40;
constexpr uint8_t kDeletedPieceMark = 0xE5;

bool HoldsNameEnd(const RawDirEntry& entry) {
  if (entry.bytes[0] != kDeletedPieceMark) return (entry.bytes[0] & kLastPieceFlag) != 0;
  // The 13 characters sit at 1-10, 14-25 and 28-31: a zero character ends
  // the name, the 0xFFFF filler follows it.
  for (const auto& [offset, chars] : {std::pair<size_t, size_t>{1, 5}, {14, 6}, {28, 2}})
    for (size_t i = 0; i < chars; ++i) {
      const uint8_t lo = entry.bytes[offset + 2 * i], hi = entry.bytes[offset + 2 * i + 1];
      if ((lo == 0 && hi == 0) || (lo == 0xFF && hi == 0xFF)) return true;
    }
  return false;
}

}  // namespace

int ReadLfnEntry(const RawDirEntry& entry, LongNameState& state) {
  if (entry.Attributes() != kFatAttrLongName) {
    state.lastChecksum = -1;
    return kNotLongName;
  }
  const int checksum = entry.bytes[13];
  int result = kLongNameContinued;
  if (checksum != state.lastChecksum) {
    state.utf16.clear();
    result = kNewLongName;
    state.startsName = HoldsNameEnd(entry);
  }
  state.lastChecksum = checksum;
  state.utf16 = PieceChars(entry, 1, 5) + PieceChars(entry, 14, 6) + PieceChars(entry, 28, 2) +
                state.utf16;
  return result;
}

std::string LongNameText(const LongNameState& state) {
  return platform::Utf16LeToSystem(reinterpret_cast<const uint8_t*>(state.utf16.data()),
                                   state.utf16.size());
}

void ApplyShortNameCase(RawDirEntry& entry) {
  const uint8_t flags = entry.CaseFlags();
  if (flags & kCaseLowerBase) LowerField(entry, 0, 8);
  if (flags & kCaseLowerExtension) LowerField(entry, 8, 3);
}

}  // namespace tarnwell::engine

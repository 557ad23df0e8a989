#pragma once
// Decoding runs of 32-byte FAT directory entries, for the standard walk and
// the raw-range scan alike: long names gathered across entries (and across
// the clusters of one folder), the case of short names, and the tests that
// tell a cluster of directory entries from other data, which decide how far
// a deleted folder reaches once its chain is gone.
#include <algorithm>
#include <cstdint>
#include <span>
#include <string>

#include "engine/entry_helpers.h"
#include "engine/fat/long_name.h"
#include "engine/records.h"

namespace tarnwell::engine {

inline constexpr size_t kDirEntryBytes = 32;
// The most entries a FAT folder can hold; a continuation never reads past
// the clusters they fill.
inline constexpr uint32_t kMaxFolderEntries = 65535;

// A short entry as the decoder hands it on.
struct DirSlot {
  RawDirEntry entry;     // name bytes re-cased when there is no long name
  std::string longName;  // the long name gathered before it; empty when none
  size_t index = 0;      // its place among the 32-byte entries of the span decoded
};

// Why a span ended before its bytes did.
enum class SpanEnd { kBytesDone, kDotEntry, kEndMarker, kMalformed };

struct DirSpanRules {
  // The raw scan reads a directory out of a stretch of sectors: a "." entry
  // begins the next directory, a live entry with a blank name ends this one,
  // and an entry no directory can hold means the directory ended earlier.
  // The standard walk knows its clusters and skips dots and blanks instead.
  bool dotsEnd = false;
  bool blankEnds = false;
  bool malformedEnds = false;
  // The bytes may begin inside a long name whose first pieces lie in a
  // cluster nothing leads to (a lost one): the long name of the first
  // entry is kept only when it begins in the bytes, else the short name
  // stands, rather than the end of a name passing for the whole.
  bool mayStartMidName = false;
};

// The text without leading and trailing blanks (and control bytes).
std::string TrimBlanks(const std::string& s);

// Time stamps and attributes a short entry can hold.
bool IsWellFormedShortEntry(const RawDirEntry& entry);
// A long-name piece as written: attribute 0x0F, type and cluster fields 0.
bool IsWellFormedLongNamePiece(const RawDirEntry& entry);
// Bytes 0-7 are "." and seven blanks, bytes 32-39 ".." and six blanks.
bool StartsDirectory(std::span<const uint8_t> bytes);

// What a free cluster after a deleted folder's last known one holds.
enum class ContinuationCheck {
  kNotDirectory,  // other data, or the start of another folder: stop before it
  kEntries,       // well-formed entries only: take it and read on
  kLastEntries,   // well-formed entries up to the end marker: take it, stop
};
// `entriesBytes` receives how many leading bytes hold the folder's entries
// (up to the end marker).
ContinuationCheck CheckContinuation(std::span<const uint8_t> cluster, size_t& entriesBytes);

class DirSpanDecoder {
 public:
  explicit DirSpanDecoder(DirSpanRules rules) : rules_(rules) {}

  // Decodes the whole entries of `bytes` in order and calls visit(DirSlot&)
  // for each short entry other than "." and "..", volume labels and entries
  // of size 0xFFFFFFFF. The long name being gathered carries over to the
  // next call, so that a name split between two clusters of one folder
  // survives.
  template <class Visit>
  SpanEnd Decode(std::span<const uint8_t> bytes, Visit&& visit);

 private:
  DirSpanRules rules_;
  LongNameState building_;
  bool entryReached_ = false;  // a slot other than a long-name piece was decoded
};

template <class Visit>
SpanEnd DirSpanDecoder::Decode(std::span<const uint8_t> bytes, Visit&& visit) {
  const size_t count = bytes.size() / kDirEntryBytes;
  for (size_t i = 0; i < count; ++i) {
    DirSlot slot;
    slot.index = i;
    const uint8_t* at = bytes.data() + i * kDirEntryBytes;
    std::copy(at, at + kDirEntryBytes, slot.entry.bytes.begin());
    const RawDirEntry& raw = slot.entry;
    // Dots are told apart by the first two bytes before the name is cut,
    // which is cheaper than FatBaseName for every slot.
    if (raw.bytes[0] == '.') {
      const std::string base = FatBaseName(raw);
      if (base == "." || base == "..") {
        if (rules_.dotsEnd) return SpanEnd::kDotEntry;
        entryReached_ = true;
        continue;
      }
    }
    if (ReadLfnEntry(raw, building_) != kNotLongName) continue;
    const bool cutName = rules_.mayStartMidName && !entryReached_ && !building_.startsName;
    entryReached_ = true;
    std::string pending = building_.utf16.empty() || cutName ? std::string() : LongNameText(building_);
    building_.utf16.clear();
    if (rules_.blankEnds && !raw.IsDeletedMark() && FatBaseName(raw).empty()) return SpanEnd::kEndMarker;
    if (rules_.malformedEnds && !IsWellFormedShortEntry(raw)) return SpanEnd::kMalformed;
    if (raw.FileSize() == 0xFFFFFFFFu || (raw.Attributes() & kFatAttrVolumeLabel)) continue;
    if (!TrimBlanks(pending).empty())
      slot.longName = std::move(pending);
    else
      ApplyShortNameCase(slot.entry);
    visit(slot);
  }
  return SpanEnd::kBytesDone;
}

}  // namespace tarnwell::engine

#include "engine/exfat/entry_set.h"

#include <algorithm>

#include "common/little_endian.h"
#include "platform/text_codec.h"

namespace tarnwell::engine {
namespace {

constexpr size_t kMinSecondaries = 2;
constexpr size_t kMaxSecondaries = 18;
constexpr size_t kNameCharsPerEntry = 15;

bool IsSecondary(uint8_t type) { return (type & 0x40) != 0; }

}  // namespace

uint16_t ExfatSetChecksum(const uint8_t* p, size_t count, bool restoreInUse) {
  uint16_t sum = 0;
  for (size_t i = 0; i < count * kExfatEntryBytes; ++i) {
    if (i == 2 || i == 3) continue;
    uint8_t byte = p[i];
    if (restoreInUse && i % kExfatEntryBytes == 0) byte |= kExfatInUse;
    sum = static_cast<uint16_t>(((sum & 1) ? 0x8000 : 0) + (sum >> 1) + byte);
  }
  return sum;
}

std::optional<ExfatEntrySet> DecodeExfatEntrySet(const uint8_t* p, size_t avail) {
  if (avail < kExfatEntryBytes || (p[0] | kExfatInUse) != kExfatFileEntry) return std::nullopt;
  const bool inUse = (p[0] & kExfatInUse) != 0;
  const size_t secondaries = p[1];
  if (secondaries < kMinSecondaries || secondaries > kMaxSecondaries) return std::nullopt;
  const size_t count = secondaries + 1;
  if (avail < count * kExfatEntryBytes) return std::nullopt;
  for (size_t i = 1; i < count; ++i) {
    const uint8_t type = p[i * kExfatEntryBytes];
    if (!IsSecondary(type) || ((type & kExfatInUse) != 0) != inUse) return std::nullopt;
  }
  const uint8_t* stream = p + kExfatEntryBytes;
  if ((stream[0] | kExfatInUse) != kExfatStreamEntry) return std::nullopt;
  const size_t nameLength = stream[3];
  const size_t nameEntries = (nameLength + kNameCharsPerEntry - 1) / kNameCharsPerEntry;
  if (nameLength == 0 || nameEntries > secondaries - 1) return std::nullopt;

  ExfatEntrySet set;
  set.inUse = inUse;
  set.entryCount = count;
  set.attributes = LoadLE16(p + 4);
  set.created = LoadLE32(p + 8);
  set.modified = LoadLE32(p + 12);
  set.accessed = LoadLE32(p + 16);
  set.created10ms = p[20];
  set.modified10ms = p[21];
  set.utcOffsets = {p[22], p[23], p[24]};
  set.streamFlags = stream[1];
  set.validLength = LoadLE64(stream + 8);
  set.firstCluster = LoadLE32(stream + 20);
  set.dataLength = LoadLE64(stream + 24);
  set.nameUtf16.reserve(nameLength * 2);
  for (size_t e = 0; e < nameEntries; ++e) {
    const uint8_t* name = p + (2 + e) * kExfatEntryBytes;
    if ((name[0] | kExfatInUse) != kExfatNameEntry) return std::nullopt;
    const size_t chars = std::min(kNameCharsPerEntry, nameLength - e * kNameCharsPerEntry);
    set.nameUtf16.append(reinterpret_cast<const char*>(name + 2), chars * 2);
  }
  set.checksumMatches = ExfatSetChecksum(p, count, !inUse) == LoadLE16(p + 2);
  return set;
}

std::string ExfatVolumeLabel(const uint8_t* bytes, size_t size) {
  for (size_t at = 0; at + kExfatEntryBytes <= size && bytes[at] != 0; at += kExfatEntryBytes) {
    if (bytes[at] != kExfatLabelEntry) continue;
    const size_t chars = std::min<size_t>(bytes[at + 1], 11);
    return platform::Utf16LeToSystem(bytes + at + 2, chars * 2);
  }
  return {};
}

TMidEntry ExfatSetToEntry(const ExfatEntrySet& set) {
  TMidEntry entry;
  uint8_t* b = entry.DirEntry.bytes.data();
  b[11] = static_cast<uint8_t>(set.attributes);
  b[13] = set.created10ms;
  StoreLE16(b + 14, static_cast<uint16_t>(set.created));
  StoreLE16(b + 16, static_cast<uint16_t>(set.created >> 16));
  StoreLE16(b + 18, static_cast<uint16_t>(set.accessed >> 16));
  StoreLE16(b + 20, static_cast<uint16_t>(set.firstCluster >> 16));
  StoreLE16(b + 22, static_cast<uint16_t>(set.modified));
  StoreLE16(b + 24, static_cast<uint16_t>(set.modified >> 16));
  StoreLE16(b + 26, static_cast<uint16_t>(set.firstCluster));
  // Folders show no size, as on FAT; their length stays in the facts.
  const uint64_t shown = set.IsFolder() ? 0 : std::min<uint64_t>(set.dataLength, 0xFFFFFFFFu);
  StoreLE32(b + 28, static_cast<uint32_t>(shown));
  entry.LongName = platform::Utf16LeToSystem(reinterpret_cast<const uint8_t*>(set.nameUtf16.data()),
                                             set.nameUtf16.size());
  ExfatEntryFacts facts;
  facts.DataLength = set.dataLength;
  facts.ValidLength = set.validLength;
  facts.NoFatChain = set.NoFatChain();
  facts.UtcOffsets = set.utcOffsets;
  facts.Modified10ms = set.modified10ms;
  facts.AccessTime = static_cast<uint16_t>(set.accessed);
  entry.Exfat = facts;
  entry.Status = set.inUse ? kExisting : kDeleted;
  return entry;
}

}  // namespace tarnwell::engine

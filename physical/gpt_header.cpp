#include "physical/gpt_header.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "common/little_endian.h"
#include "physical/crc32.h"
#include "platform/text_codec.h"

namespace tarnwell::physical {
namespace {

constexpr uint32_t kSectorBytes = 512;
constexpr size_t kNameOffset = 0x38;
constexpr size_t kNameUnits = 36;

Guid GuidAt(const uint8_t* p) {
  Guid g;
  std::copy(p, p + g.size(), g.begin());
  return g;
}

// The header's own CRC: taken over its header-size bytes with the CRC field
// itself counted as zero.
bool HeaderCrcMatches(const uint8_t* sector, uint32_t headerSize) {
  std::array<uint8_t, kSectorBytes> copy{};
  std::copy(sector, sector + headerSize, copy.begin());
  std::fill(copy.begin() + 0x10, copy.begin() + 0x14, 0);
  return Crc32(copy.data(), headerSize) == LoadLE32(sector + 0x10);
}

}  // namespace

bool HasGptSignature(const uint8_t* sector) { return std::memcmp(sector, "EFI PART", 8) == 0; }

std::optional<GptHeader> ParseGptHeader(const uint8_t* sector, uint64_t lba, uint64_t diskSectors) {
  if (!HasGptSignature(sector)) return std::nullopt;
  GptHeader h;
  h.Revision = LoadLE32(sector + 0x08);
  h.HeaderSize = LoadLE32(sector + 0x0C);
  // Only major revision 1 exists; a later one could move fields.
  if ((h.Revision >> 16) != 1) return std::nullopt;
  if (h.HeaderSize < kGptMinHeaderSize || h.HeaderSize > kSectorBytes) return std::nullopt;
  if (!HeaderCrcMatches(sector, h.HeaderSize)) return std::nullopt;
  h.MyLba = LoadLE64(sector + 0x18);
  h.AlternateLba = LoadLE64(sector + 0x20);
  h.FirstUsableLba = LoadLE64(sector + 0x28);
  h.LastUsableLba = LoadLE64(sector + 0x30);
  h.DiskGuid = GuidAt(sector + 0x38);
  h.EntryArrayLba = LoadLE64(sector + 0x48);
  h.EntryCount = LoadLE32(sector + 0x50);
  h.EntrySize = LoadLE32(sector + 0x54);
  h.EntryArrayCrc = LoadLE32(sector + 0x58);
  // A header copied from elsewhere (another disk, or a 4096-byte-sector
  // table read in 512-byte sectors) names another LBA than where it lies.
  if (h.MyLba != lba || h.MyLba >= diskSectors || h.AlternateLba >= diskSectors) return std::nullopt;
  if (h.FirstUsableLba > h.LastUsableLba || h.LastUsableLba >= diskSectors) return std::nullopt;
  if (h.EntrySize < kGptMinEntrySize || h.EntrySize > kGptMaxEntrySize || h.EntrySize % 8 != 0)
    return std::nullopt;
  if (h.EntryCount == 0 || h.ArrayBytes() > kGptMaxArrayBytes) return std::nullopt;
  if (h.EntryArrayLba == 0 || h.EntryArrayLba >= diskSectors ||
      h.ArraySectors() > diskSectors - h.EntryArrayLba)
    return std::nullopt;
  return h;
}

bool GptArrayIntact(const uint8_t* array, size_t size, const GptHeader& header) {
  if (size < header.ArrayBytes()) return false;
  return Crc32(array, static_cast<size_t>(header.ArrayBytes())) == header.EntryArrayCrc;
}

std::vector<GptArrayEntry> ParseGptEntries(const uint8_t* array, size_t size,
                                           const GptHeader& header) {
  std::vector<GptArrayEntry> entries;
  if (header.EntrySize < kGptMinEntrySize) return entries;
  const size_t count = std::min<size_t>(header.EntryCount, size / header.EntrySize);
  static constexpr Guid kUnused{};
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = array + i * header.EntrySize;
    GptArrayEntry entry;
    entry.Partition.TypeGuid = GuidAt(p);
    if (entry.Partition.TypeGuid == kUnused) continue;
    entry.Partition.Index = static_cast<uint32_t>(i);
    entry.Partition.UniqueGuid = GuidAt(p + 0x10);
    entry.FirstLba = LoadLE64(p + 0x20);
    entry.LastLba = LoadLE64(p + 0x28);
    entry.Partition.Attributes = LoadLE64(p + 0x30);
    size_t units = 0;
    while (units < kNameUnits && LoadLE16(p + kNameOffset + 2 * units) != 0) ++units;
    entry.Partition.Name = platform::Utf16LeToSystem(p + kNameOffset, 2 * units);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace tarnwell::physical

// OLE2 compound files (DOC, XLS, PPT, MSG and others): the FAT sectors named by
// the header and the DIFAT chain are read, and the file ends after the
// last sector the FAT marks as used. The directory chain must lead to a
// root entry; the names of the streams show the kind of document.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint32_t kFree = 0xFFFFFFFFu, kEndOfChain = 0xFFFFFFFEu;
constexpr uint32_t kMaxFatSectors = 1u << 20;  // with the limit's bound below

// An entry name (UTF-16LE, up to 32 units) as ASCII, for the comparisons
// that tell the kind.
std::string EntryName(const uint8_t* e) {
  std::string name;
  const uint16_t bytes = std::min<uint16_t>(LoadLE16(e + 64), 64);
  for (uint16_t i = 0; i + 1 < bytes; i += 2) {
    const uint16_t unit = LoadLE16(e + i);
    if (unit == 0) break;
    name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return name;
}

}  // namespace

WalkResult WalkOle2(CarveReader& in) {
  uint8_t h[512];
  if (!in.Read(0, h, 512)) return NotFound();
  // 512-byte sectors (version 3) or 4096-byte ones (version 4), nothing else.
  const uint16_t shift = LoadLE16(h + 0x1E);
  if (shift != 9 && shift != 12) return NotFound();
  const uint32_t sectorBytes = 1u << shift;
  const uint32_t fatSectors = LoadLE32(h + 0x2C);
  const uint32_t directory = LoadLE32(h + 0x30);
  uint32_t difat = LoadLE32(h + 0x44);
  const uint32_t difatSectors = LoadLE32(h + 0x48);
  if (fatSectors == 0 || fatSectors > kMaxFatSectors || sectorBytes < 512) return NotFound();
  // A FAT describes the file's own sectors: one larger than twice what the
  // limit can hold is no FAT (and would not be read into memory).
  const uint64_t perFatSector = uint64_t{sectorBytes} / 4 * sectorBytes;
  if (fatSectors > 2 * (in.Limit() / perFatSector) + 1) return NotFound();
  const auto sectorOffset = [&](uint32_t n) { return (uint64_t{n} + 1) * sectorBytes; };
  // Which sectors hold the FAT: 109 in the header, the rest in the DIFAT
  // chain (each sector's last entry leads to the next).
  std::vector<uint32_t> fat;
  for (int i = 0; i < 109 && fat.size() < fatSectors; ++i) fat.push_back(LoadLE32(h + 0x4C + 4 * i));
  std::vector<uint8_t> sector(sectorBytes);
  const uint32_t perSector = sectorBytes / 4;
  for (uint32_t d = 0; fat.size() < fatSectors; ++d) {
    if (d >= difatSectors || difat >= kEndOfChain || !in.Read(sectorOffset(difat), sector.data(), sectorBytes))
      return Damaged(512);
    for (uint32_t i = 0; i + 1 < perSector && fat.size() < fatSectors; ++i) fat.push_back(LoadLE32(sector.data() + 4 * i));
    difat = LoadLE32(sector.data() + 4 * (perSector - 1));
  }
  // The FAT itself; the file ends after the last sector in use.
  std::vector<uint32_t> table;
  for (const uint32_t s : fat) {
    if (s >= kEndOfChain || !in.Read(sectorOffset(s), sector.data(), sectorBytes)) return Damaged(512);
    for (uint32_t i = 0; i < perSector; ++i) table.push_back(LoadLE32(sector.data() + 4 * i));
  }
  uint64_t last = 0;
  bool any = false;
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i] != kFree) last = i, any = true;
  if (!any) return NotFound();
  const uint64_t end = sectorOffset(static_cast<uint32_t>(last)) + sectorBytes;
  // Every FAT sector must be marked as one in the FAT (0xFFFFFFFD).
  for (const uint32_t s : fat)
    if (s >= table.size() || table[s] != 0xFFFFFFFDu) return Damaged(512);
  // The directory: its chain, bounded by the table, must start with the
  // root entry (type 5).
  const char* extension = "ole";
  uint32_t d = directory;
  for (size_t steps = 0; d < kEndOfChain; ++steps) {
    if (d >= table.size() || steps > table.size() || !in.Read(sectorOffset(d), sector.data(), sectorBytes))
      return Damaged(std::min({end, sectorOffset(d), in.Limit()}));
    for (uint32_t e = 0; e + 128 <= sectorBytes; e += 128) {
      const uint8_t* entry = sector.data() + e;
      if (steps == 0 && e == 0 && (entry[66] != 5 || EntryName(entry) != "Root Entry")) return NotFound();
      const std::string name = EntryName(entry);
      if (name == "WordDocument") extension = "doc";
      if (name == "Workbook" || name == "Book") extension = "xls";
      if (name == "PowerPoint Document") extension = "ppt";
      if (name.starts_with("__substg1.0_")) extension = "msg";
    }
    d = table[d];
  }
  if (!in.Has(0, end)) return Damaged(in.Limit(), extension);
  return Complete(end, extension);
}

}  // namespace tarnwell::physical::carve

#include "physical/gpt_table.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "disk/device_reader.h"
#include "engine/event_log_line.h"
#include "physical/gpt_header.h"
#include "physical/partition_label.h"
#include "physical/physical_drive.h"
#include "platform/text_codec.h"

namespace tarnwell::physical {
namespace {

constexpr uint32_t kSectorBytes = 512;
// Sectors per read of the entry array (the reader takes 16-bit counts).
constexpr uint16_t kArrayReadSectors = 256;

struct GptTable {
  GptHeader header;
  std::vector<GptArrayEntry> entries;
};

bool ReadExactly(disk::DiskDevice& device, uint64_t lba, uint64_t sectors, uint8_t* buffer) {
  while (sectors > 0) {
    const uint16_t n = static_cast<uint16_t>(std::min<uint64_t>(sectors, kArrayReadSectors));
    uint32_t bytesRead = 0;
    if (!device.Read(lba, n, buffer, bytesRead) || bytesRead != n * kSectorBytes) return false;
    lba += n;
    sectors -= n;
    buffer += size_t{n} * kSectorBytes;
  }
  return true;
}

bool HasProtectiveSlot(const uint8_t* mbr) {
  for (int i = 0; i < 4; ++i)
    if (PartitionSlot::At(mbr, i).PartType() == kTypeGpt) return true;
  return false;
}

// The header at `lba` when it is sound; nullopt otherwise.
std::optional<GptHeader> ReadHeader(disk::DiskDevice& device, uint64_t lba, uint64_t diskSectors) {
  std::array<uint8_t, kSectorBytes> sector{};
  if (lba >= diskSectors || !ReadExactly(device, lba, 1, sector.data())) return std::nullopt;
  return ParseGptHeader(sector.data(), lba, diskSectors);
}

// The table of a sound header whose array is intact too.
std::optional<GptTable> ReadTableOf(disk::DiskDevice& device, const GptHeader& header) {
  // ParseGptHeader capped the array at kGptMaxArrayBytes and inside the disk.
  std::vector<uint8_t> array(static_cast<size_t>(header.ArraySectors()) * kSectorBytes);
  if (!ReadExactly(device, header.EntryArrayLba, header.ArraySectors(), array.data())) return std::nullopt;
  if (!GptArrayIntact(array.data(), array.size(), header)) return std::nullopt;
  return GptTable{header, ParseGptEntries(array.data(), array.size(), header)};
}

void Log(TPhysicalDrive& drive, const std::string& utf8) {
  engine::AddLogLine(drive.Window().log, platform::SystemText(utf8), kLogFailure);
}

// Whether an entry is shown: one whose start lies after its end or past
// the disk is left out, one that runs past the disk's end is cut there
// and keeps the end it claimed; each is said in the log.
bool ShowableEntry(TPhysicalDrive& drive, GptArrayEntry& e, uint64_t disk) {
  const std::string which = "GPT 分区项 " + std::to_string(e.Partition.Index + 1) + ": ";
  const std::string first = std::to_string(e.FirstLba), last = std::to_string(e.LastLba);
  const std::string size = " (磁盘共 " + std::to_string(disk) + " 个扇区)";
  if (e.FirstLba > e.LastLba) {
    Log(drive, which + "起始扇区 " + first + " 位于结束扇区 " + last + " 之后，已忽略。");
    return false;
  }
  if (e.FirstLba >= disk) {
    Log(drive, which + "起始扇区 " + first + " 超出磁盘末尾" + size + "，已忽略。");
    return false;
  }
  if (e.LastLba >= disk) {
    Log(drive, which + "结束扇区 " + last + " 超出磁盘末尾" + size + "，只显示到磁盘末尾。");
    e.Partition.ClippedFrom = e.LastLba;
    e.LastLba = disk - 1;
  }
  return true;
}

void AddChild(TPhysicalDrive& drive, disk::DiskDevice& device, std::unique_ptr<TPartiEntry> entry) {
  TPartiEntry& added = drive.AddPartition(std::move(entry));
  ReadPartitionLabel(drive, device.Handle(), added);
  drive.WholeDisk().Children.push_back(&added);
}

// The partitions in disk order, and the free space of the usable range that
// none of them covers. Entries that overlap are all listed; the gap after
// them starts past the furthest end.
void BuildModel(TPhysicalDrive& drive, disk::DiskDevice& device, GptTable& table) {
  const uint64_t disk = drive.TotalSectors();
  std::vector<GptArrayEntry*> listed;
  for (GptArrayEntry& e : table.entries)
    if (ShowableEntry(drive, e, disk)) listed.push_back(&e);
  std::stable_sort(listed.begin(), listed.end(), [](const GptArrayEntry* a, const GptArrayEntry* b) {
    return a->FirstLba < b->FirstLba;
  });
  const int16_t code = drive.DriveCode();
  const auto addGap = [&](uint64_t from, uint64_t to) {
    if (to > from) AddChild(drive, device, NewEntry(code, kTypeFree, from, 0, to - from));
  };
  uint64_t reach = table.header.FirstUsableLba;
  for (GptArrayEntry* e : listed) {
    addGap(reach, e->FirstLba);
    auto entry = NewEntry(code, kTypeGpt, e->FirstLba, 0, e->LastLba - e->FirstLba + 1);
    entry->Gpt = std::move(e->Partition);
    AddChild(drive, device, std::move(entry));
    reach = std::max(reach, e->LastLba + 1);
  }
  addGap(reach, table.header.LastUsableLba + 1);
}

}  // namespace

bool ReadGptPartitions(TPhysicalDrive& drive) {
  disk::DiskDevice device(drive.DriveCode());
  if (!device.IsOpen()) return false;
  const uint64_t disk = drive.TotalSectors();
  std::array<uint8_t, kSectorBytes> mbr{};
  if (disk < 3 || !ReadExactly(device, 0, 1, mbr.data()) || !HasProtectiveSlot(mbr.data()))
    return false;

  const std::optional<GptHeader> primary = ReadHeader(device, 1, disk);
  std::optional<GptTable> table;
  if (primary) table = ReadTableOf(device, *primary);
  if (!table) {
    // The backup header sits at the disk's last sector; a sound primary
    // header whose array is damaged names it too, which matters when the
    // disk has grown since the table was written.
    std::vector<uint64_t> places;
    if (primary && primary->AlternateLba != 1) places.push_back(primary->AlternateLba);
    if (std::find(places.begin(), places.end(), disk - 1) == places.end()) places.push_back(disk - 1);
    for (const uint64_t lba : places) {
      const std::optional<GptHeader> backup = ReadHeader(device, lba, disk);
      if (backup && (table = ReadTableOf(device, *backup))) break;
    }
    if (!table) {
      std::array<uint8_t, kSectorBytes> sector{};
      if (disk > kGpt4kHeaderSector && ReadExactly(device, kGpt4kHeaderSector, 1, sector.data()) &&
          HasGptSignature(sector.data()))
        Log(drive, "不支持为 4096 字节扇区写入的 GPT 分区表，仅显示主引导记录。");
      else
        Log(drive, "主 GPT 分区表和备份分区表均已损坏，仅显示主引导记录。");
      return false;
    }
    Log(drive, "主 GPT 分区表已损坏，已使用备份分区表。");
  }
  drive.WholeDisk().Children.clear();
  BuildModel(drive, device, *table);
  return true;
}

}  // namespace tarnwell::physical

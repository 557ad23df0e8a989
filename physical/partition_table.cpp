#include "physical/partition_table.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "disk/device_reader.h"
#include "engine/event_log_line.h"
#include "platform/text_codec.h"
#include "physical/partition_label.h"
#include "physical/physical_drive.h"

namespace tarnwell::physical {
namespace {

// State of one walk down a chain: the open disk and the table sectors read.
struct TableWalk {
  TPhysicalDrive& drive;
  disk::DiskDevice& device;
  std::set<uint64_t> visited;
};

TPartiEntry& AddChild(TableWalk& walk, TPartiEntry& parent, std::unique_ptr<TPartiEntry> child) {
  TPartiEntry& added = walk.drive.AddPartition(std::move(child));
  ReadPartitionLabel(walk.drive, walk.device.Handle(), added);
  parent.Children.push_back(&added);
  return added;
}

bool ReadTable(TableWalk& walk, TPartiEntry& table) {
  TPhysicalDrive& drive = walk.drive;
  const uint64_t at = table.AbsoluteStart();
  if (walk.visited.size() >= kMaxPartitionTables || !walk.visited.insert(at).second) {
    // A chain that loops back (or never ends) is damage: the entries read so
    // far stay, and the log says why the rest is missing.
    engine::AddLogLine(walk.drive.Window().log,
                       platform::SystemText("扇区 " + std::to_string(at) +
                                            " 处的扩展分区链指回已读过的分区表或过长，已停止读取。"),
                       kLogFailure);
    return false;
  }
  std::array<uint8_t, 512> sector{};
  uint32_t bytesRead = 0;
  if (!walk.device.Read(at, 1, sector.data(), bytesRead) || bytesRead < sector.size()) return false;

  const bool isDisk = &table == &drive.WholeDisk();
  const int16_t code = table.DriveCode;
  uint64_t next = drive.SectorsPerTrack();
  // The furthest end of the slots so far: with slots out of order, free space
  // starts after it, never on top of a partition listed before.
  uint64_t reach = 0;
  for (int i = 0; i < 4; ++i) {
    const PartitionSlot slot = PartitionSlot::At(sector.data(), i);
    if (slot.PartType() == 0 || slot.SectorCount() == 0) continue;
    const bool extended = IsExtendedType(slot.PartType());
    // Extended entries count from the chain's base (for the first one, from
    // the table's own base); every other entry from its table's sector.
    const uint64_t base = !extended ? at : isDisk ? table.BaseLba : drive.ExtendedBase;
    if (!IsUsableSlot(slot, base, drive.TotalSectors())) continue;
    if (slot.RelStart() != next) {
      // Only a slot that starts after everything before it leaves a gap; an
      // out-of-order or overlapping slot must not give a wrapped size.
      const uint64_t from = std::max(next, reach);
      if (isDisk && slot.RelStart() > from)
        AddChild(walk, table,
                 NewEntry(code, kTypeFree, at, static_cast<uint32_t>(from),
                          static_cast<uint32_t>(slot.RelStart() - from)));
      next = slot.RelStart();
    }
    auto entry = std::make_unique<TPartiEntry>();
    entry->DriveCode = code;
    entry->Slot = slot;
    entry->BaseLba = base;
    if (extended && isDisk) drive.ExtendedBase = table.BaseLba + slot.RelStart();
    TPartiEntry& added = AddChild(walk, table, std::move(entry));
    next += slot.SectorCount();
    reach = std::max(reach, next);
    if (extended) ReadTable(walk, added);
  }
  const uint64_t tail = std::max(next, reach);
  if (isDisk && tail + 1 < table.SectorCount())
    AddChild(walk, table,
             NewEntry(code, kTypeFree, at, static_cast<uint32_t>(tail), table.SectorCount() - tail));
  return true;
}

}  // namespace

bool IsUsableSlot(const PartitionSlot& slot, uint64_t base, uint64_t diskSectors) {
  if (slot.BootFlag() != 0x00 && slot.BootFlag() != 0x80) return false;
  const uint64_t start = base + slot.RelStart();
  return start < diskSectors && slot.SectorCount() <= diskSectors - start;
}

bool ReadPartitionTable(TPhysicalDrive& drive, TPartiEntry& entry) {
  disk::DiskDevice device(drive.DriveCode());
  if (!device.IsOpen()) return false;
  entry.Children.clear();
  TableWalk walk{drive, device, {}};
  return ReadTable(walk, entry);
}

void FindExtendedFreeSpace(TPhysicalDrive& drive) {
  TPartiEntry& disk = drive.WholeDisk();
  const auto isChildOfDisk = [&disk](const TPartiEntry* e) {
    return std::find(disk.Children.begin(), disk.Children.end(), e) != disk.Children.end();
  };
  TPartiEntry* extended = nullptr;
  for (TPartiEntry* child : disk.Children)
    if (child->IsExtended()) {
      extended = child;
      break;
    }
  if (!extended) return;

  std::vector<TPartiEntry*> chain;
  for (size_t i = 1; i < drive.Partitions.size(); ++i)
    if (!isChildOfDisk(drive.Partitions[i].get())) chain.push_back(drive.Partitions[i].get());
  std::stable_sort(chain.begin(), chain.end(), [](const TPartiEntry* a, const TPartiEntry* b) {
    return a->AbsoluteStart() < b->AbsoluteStart();
  });

  // Signed positions: an entry that starts before the running position (an
  // overlap) is no gap, never a wrapped-around one.
  const int64_t first = static_cast<int64_t>(extended->AbsoluteStart());
  const int64_t end = static_cast<int64_t>(extended->AbsoluteEnd());
  const int64_t track = drive.SectorsPerTrack();
  const auto addGap = [&](int64_t from, int64_t to) {
    // Only gaps inside the extended partition are its free space.
    if (to - from <= kMinExtendedGap || from < first || to > end) return;
    TPartiEntry& gap = drive.AddPartition(
        NewEntry(drive.DriveCode(), kTypeFree, static_cast<uint64_t>(first),
                 static_cast<uint32_t>(from - first), static_cast<uint32_t>(to - from)));
    extended->Children.push_back(&gap);
  };
  int64_t pos = first + track;
  for (const TPartiEntry* p : chain) {
    const int64_t u = static_cast<int64_t>(p->AbsoluteStart());
    addGap(pos, u);
    // A link entry's own size covers the rest of the chain; only its table
    // sector's track is taken.
    pos = u + (p->IsExtended() ? track : static_cast<int64_t>(p->SectorCount()));
  }
  addGap(pos, end);
  std::stable_sort(extended->Children.begin(), extended->Children.end(),
                   [](const TPartiEntry* a, const TPartiEntry* b) {
                     return a->AbsoluteStart() < b->AbsoluteStart();
                   });
}

}  // namespace tarnwell::physical

#include "cli/raw_target.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <regex>

#include "cli/drive_argument.h"
#include "disk/device_reader.h"
#include "disk/sector_source.h"
#include "disk/source_opener.h"
#include "engine/event_log_line.h"
#include "physical/partition_search.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {

namespace {

// A volume's entry is listed without a size (the landmark pass learns it
// from the volume); its source knows it already. A range of no sectors,
// or one that cannot be opened, is said rather than scanned as nothing.
bool HasSectorsToScan(physical::TPartiEntry& entry, const std::string& target) {
  disk::DiskDevice device(entry.DriveCode);
  const disk::SectorSource* source = device.Source();
  if (!source) {
    std::fprintf(stderr, "tarnwell-cli: %s: nothing to scan: it cannot be opened\n", target.c_str());
    return false;
  }
  if (entry.DriveCode < 0)
    entry.SetSectorCount(source->SectorCount());
  if (entry.SectorCount() == 0 || entry.AbsoluteStart() >= source->SectorCount()) {
    std::fprintf(stderr, "tarnwell-cli: %s: nothing to scan: the range holds no sectors\n", target.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::optional<RawTarget> ResolveRawTarget(CliContext& context, CollectedLog& log, const std::string& target,
                                          bool findPartitions) {
  if (!context.Prepare()) return std::nullopt;
  std::optional<int16_t> code;
  size_t index = 0;
  std::smatch m;
  if (std::regex_match(target, m, std::regex("([A-Za-z]):?"))) {
    code = disk::DriveCodeOfLetter(m[1].str()[0]);
  } else if (std::regex_match(target, m, std::regex("(.+):([0-9]{1,6})"))) {
    code = ResolveDriveCode(m[1].str());
    if (!code) return std::nullopt;
    index = std::stoul(m[2].str());
  } else {
    std::fprintf(stderr, "tarnwell-cli: TARGET is DRIVE:INDEX or a drive letter\n");
    return std::nullopt;
  }
  RawTarget result;
  result.list = std::make_unique<physical::TPhysicalDriveList>(
      physical::PhysicalWindow{log, context.boxes, context.pump});
  result.drive = result.list->FindDrive(*code);
  if (!result.drive) {
    std::fprintf(stderr, "tarnwell-cli: %s is not in the drive list\n", target.c_str());
    return std::nullopt;
  }
  auto* entries = &result.drive->Partitions;
  if (findPartitions) {
    physical::TPartiEntry& disk = result.drive->WholeDisk();
    physical::SearchPartitions(*result.drive, disk, context.progress, disk.SectorCount(), 0);
    entries = &result.drive->FoundPartitions;
  }
  if (index >= entries->size()) {
    std::fprintf(stderr, "tarnwell-cli: %s: no entry %zu\n", target.c_str(), index);
    return std::nullopt;
  }
  result.entry = (*entries)[index].get();
  if (!HasSectorsToScan(*result.entry, target)) return std::nullopt;
  return result;
}

disk::Outcome RunRawScan(CliContext& context, RawTarget& target, physical::raw::ChunkCompanion* companion) {
  disk::Outcome landmarks = physical::raw::ScanRange(*target.drive, *target.entry, context.progress, companion);
  if (NothingScanned(landmarks)) return landmarks;
  physical::raw::ReadFatDirectories(*target.drive, context.progress);
  physical::raw::ReadNtfsRecords(*target.drive, context.progress);
  char text[128];
  std::snprintf(text, sizeof text, "找到 %zu 个 FAT 条目，%zu 个 NTFS 条目", target.entry->FatEntries.size(),
                target.entry->NtfsRecords.size());
  engine::AddLogLine(target.drive->Window().log, platform::SystemText(text), physical::kLogProgress);
  context.progress.SetVisible(false);
  return landmarks;
}

std::map<uint64_t, int> FatFolderNumbers(const physical::TPartiEntry& entry) {
  std::map<uint64_t, int> numbers;
  for (size_t i = 0; i < entry.DirSectors.size(); ++i) numbers.emplace(entry.DirSectors[i], static_cast<int>(i));
  return numbers;
}

std::map<uint64_t, int> NtfsFolderNumbers(const physical::TPartiEntry& entry) {
  std::map<uint64_t, int> numbers;
  for (size_t i = 0; i < entry.ParentRefs.size(); ++i) numbers.emplace(entry.ParentRefs[i], static_cast<int>(i));
  return numbers;
}

std::string FolderCaption(int number) {
  // "%.6d" by hand: a raw listing captions every one of its items.
  std::string caption = "文件夹 ";
  if (number < 0) caption += '-';
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits,
                                 number < 0 ? -static_cast<int64_t>(number) : static_cast<int64_t>(number));
  const size_t count = static_cast<size_t>(end.ptr - digits);
  if (count < 6) caption.append(6 - count, '0');
  caption.append(digits, count);
  return caption;
}

std::string LostEntriesCaption() { return "丢失的条目 "; }

}  // namespace tarnwell::cli

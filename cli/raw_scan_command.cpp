#include <CLI/CLI.hpp>

#include <cinttypes>
#include <cstdio>

#include "cli/cli_context.h"
#include "cli/terminal_text.h"
#include "cli/commands.h"
#include "cli/entry_json.h"
#include "cli/partition_listing.h"
#include "cli/raw_target.h"
#include "engine/entry_helpers.h"
#include "engine/search/entry_dates.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using physical::TMidEntry;
using physical::TPartiEntry;

struct RawScanOptions {
  std::string target;
  bool json = false;
  bool findPartitions = false;
};

nlohmann::json OptionalTime(const engine::DosDateTime& d) {
  return d.valid && d.value != 0 ? nlohmann::json(IsoDateTime(d.value)) : nlohmann::json(nullptr);
}
nlohmann::json OptionalTime(double value) {
  return value != 0 ? nlohmann::json(IsoDateTime(value)) : nlohmann::json(nullptr);
}

nlohmann::json FatItemJson(const TPartiEntry& entry, const TMidEntry& e, int folder) {
  const engine::RawDirEntry& d = e.DirEntry;
  const std::optional<uint64_t> start =
      physical::raw::ClusterSector(entry, physical::raw::EntryCluster(d, entry.FatKind));
  return {{"fs", "fat"},
          {"folder", folder},
          {"name", platform::SystemToUtf8(physical::raw::RawEntryName(e))},
          {"is_dir", (d.Attributes() & engine::kFatAttrDirectory) != 0},
          {"deleted", d.IsDeletedMark()},
          {"size", d.FileSize()},
          {"created", OptionalTime(engine::FatDirEntryDate(d, engine::kDateCreated))},
          {"modified", OptionalTime(engine::FatDirEntryDate(d, engine::kDateModified))},
          {"accessed", OptionalTime(engine::FatDirEntryDate(d, engine::kDateAccessed))},
          {"cluster", physical::raw::EntryCluster(d, entry.FatKind)},
          {"data_start", start ? nlohmann::json(*start) : nlohmann::json(nullptr)},
          {"dir_sector", e.DirSector}};
}

nlohmann::json NtfsItemJson(const engine::tntfsfilerecord& r, int folder) {
  return {{"fs", "ntfs"},
          {"folder", folder},
          {"name", platform::SystemToUtf8(r.Name)},
          {"is_dir", !engine::IsNtfsFile(r)},
          {"deleted", (r.RecordFlags & 1) == 0},
          {"size", r.DataSize},
          {"created", OptionalTime(engine::NtfsRecordDate(r, engine::kDateCreated))},
          {"modified", OptionalTime(engine::NtfsRecordDate(r, engine::kDateModified))},
          {"accessed", OptionalTime(engine::NtfsRecordDate(r, engine::kDateAccessed))},
          {"data_start", r.DataStart},
          {"record_sector", r.RecordSector}};
}

void PrintItemText(const nlohmann::json& item) {
  std::printf("%-4s  %s  %-3s  %12s  %-19s  %s\n", item["fs"].get<std::string>().c_str(),
              FolderCaption(item["folder"].get<int>()).c_str(), item["is_dir"].get<bool>() ? "dir" : "",
              item["size"].dump().c_str(),
              item["modified"].is_null() ? "-" : item["modified"].get<std::string>().c_str(),
              TerminalSafe(item["name"].get<std::string>()).c_str());
}

int RunRawScan(CliContext& context, const RawScanOptions& options) {
  CollectedLog log;
  log.json = options.json;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  if (!RunRawScan(context, *target)) {
    std::fprintf(stderr, "tarnwell-cli: %s cannot be scanned\n", options.target.c_str());
    return kExitSomeFailed;
  }
  const TPartiEntry& entry = *target->entry;
  nlohmann::json geometry = {{"FatKind", entry.FatKind},
                             {"FatClusterSectors", entry.FatClusterSectors},
                             {"FatDataStart", entry.FatDataStart},
                             {"FatDataStartKnown", entry.FatDataStart != physical::raw::kDataStartUnknown},
                             {"NtfsClusterSectors", entry.NtfsClusterSectors}};
  nlohmann::json items = nlohmann::json::array();
  const auto fatFolders = FatFolderNumbers(entry);
  for (const auto& e : entry.FatEntries) {
    const auto f = fatFolders.find(e->DirSector);
    items.push_back(FatItemJson(entry, *e, f == fatFolders.end() ? -1 : f->second));
  }
  const auto ntfsFolders = NtfsFolderNumbers(entry);
  for (const auto& r : entry.NtfsRecords) {
    const auto f = ntfsFolders.find(physical::raw::ParentReference(*r));
    items.push_back(NtfsItemJson(*r, f == ntfsFolders.end() ? -1 : f->second));
  }
  if (options.json) {
    nlohmann::json out = DriveJson(*target->drive);
    out["entry"] = EntryJson(0, *target->drive, entry);
    out["fat_entries"] = entry.FatEntries.size();
    out["ntfs_records"] = entry.NtfsRecords.size();
    out["fat_folders"] = entry.DirSectors.size();
    out["ntfs_folders"] = entry.ParentRefs.size();
    out["geometry"] = geometry;
    out["log"] = nlohmann::json::array();
    for (const auto& line : log.lines)
      out["log"].push_back({{"text", platform::SystemToUtf8(line.text)}, {"icon", line.icon}, {"time", line.time}});
    out["items"] = items;
    PrintJsonLine(out);
  } else {
    std::printf("FatKind %d  FatClusterSectors %u  FatDataStart %u%s  NtfsClusterSectors %u\n", entry.FatKind,
                entry.FatClusterSectors, entry.FatDataStart,
                entry.FatDataStart == physical::raw::kDataStartUnknown ? " (undetermined)" : "",
                entry.NtfsClusterSectors);
    for (const auto& item : items) PrintItemText(item);
  }
  return kExitOk;
}

}  // namespace

void AddRawScanCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "raw-scan", "Scan a partition, gap, found partition or volume for FAT folders and NTFS records");
  auto options = std::make_shared<RawScanOptions>();
  command->add_option("TARGET", options->target, "DRIVE:INDEX (drive code or disk image) or a drive letter")
      ->required();
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->add_flag("--json", options->json, "One JSON object: geometry, log lines, found items");
  command->callback([&context, exitCode, options] { *exitCode = RunRawScan(context, *options); });
}

}  // namespace tarnwell::cli

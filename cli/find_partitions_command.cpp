#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_context.h"
#include "cli/collected_log.h"
#include "cli/commands.h"
#include "cli/drive_argument.h"
#include "cli/partition_listing.h"
#include "physical/partition_search.h"
#include "physical/physical_drive_list.h"
#include "physical/scan_range.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

struct FindOptions {
  std::string drive;
  std::optional<int64_t> startMb, endMb;
  bool json = false;
};

int RunFindPartitions(CliContext& context, const FindOptions& options) {
  if (!context.Prepare()) return kExitUsage;
  const std::optional<int16_t> code = ResolveDriveCode(options.drive);
  if (!code) return kExitUsage;
  CollectedLog log;
  log.json = options.json;
  physical::TPhysicalDriveList list({log, context.boxes, context.pump});
  physical::TPhysicalDrive* drive = list.FindDrive(*code);
  if (!drive || drive->IsVolume()) {
    std::fprintf(stderr, "tarnwell-cli: %s is no physical disk of the drive list\n",
                 options.drive.c_str());
    return kExitUsage;
  }
  physical::TPartiEntry& disk = drive->WholeDisk();
  const uint64_t total = disk.SectorCount();
  const physical::ScanRange range = physical::ScanRangeFromMegabytes(
      total, options.startMb.value_or(0), options.endMb.value_or(physical::MegabytesOf(total)));
  if (range.verdict == physical::ScanRange::Verdict::kOutOfLimits) {
    context.boxes.Error(platform::SystemText("扇区范围超出限制。"));
    return kExitUsage;
  }
  if (range.verdict == physical::ScanRange::Verdict::kEmpty) {
    std::fprintf(stderr, "tarnwell-cli: the range holds no sector\n");
    return kExitUsage;
  }
  context.progress.SetJobBytes(static_cast<uint64_t>(range.sectorCount) * 512);
  // A source that shrank under the search is said in an error box.
  const int errorsBefore = context.boxes.Errors();
  const bool ran = physical::SearchPartitions(*drive, disk, context.progress, range.sectorCount,
                                              static_cast<uint64_t>(range.startSector));
  context.progress.SetVisible(false);
  if (options.json) {
    nlohmann::json out = DriveJson(*drive);
    out["start_sector"] = range.startSector;
    out["sector_count"] = range.sectorCount;
    out["log"] = nlohmann::json::array();
    for (const auto& line : log.lines)
      out["log"].push_back(
          {{"text", platform::SystemToUtf8(line.text)}, {"icon", line.icon}, {"time", line.time}});
    out["entries"] = nlohmann::json::array();
    for (size_t i = 0; i < drive->FoundPartitions.size(); ++i)
      out["entries"].push_back(EntryJson(i, *drive, *drive->FoundPartitions[i]));
    PrintJsonLine(out);
  } else {
    for (size_t i = 0; i < drive->FoundPartitions.size(); ++i)
      PrintEntry(i, *drive, *drive->FoundPartitions[i]);
  }
  return ran && context.boxes.Errors() == errorsBefore ? kExitOk : kExitSomeFailed;
}

}  // namespace

void AddFindPartitionsCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "find-partitions",
      "Search a physical disk or disk image for lost FAT, exFAT and NTFS partitions");
  auto options = std::make_shared<FindOptions>();
  command->add_option("DRIVE", options->drive, "Drive code of a physical disk, or a disk image")
      ->required();
  command->add_option("--start-mb", options->startMb, "Start of the range in MB (2048 sectors)");
  command->add_option("--end-mb", options->endMb, "End of the range in MB (default: the disk's end)");
  command->add_flag("--json", options->json, "One JSON object: range, log lines, found entries");
  command->callback(
      [&context, exitCode, options] { *exitCode = RunFindPartitions(context, *options); });
}

}  // namespace tarnwell::cli

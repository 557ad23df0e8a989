// The signature scan from the command line: files found by what they
// begin with and checked to their end, in a raw range or in the free
// clusters of a volume, listed and, with --out, recovered.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <memory>
#include <numeric>

#include "cli/carve_files.h"
#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/destination_folder.h"
#include "cli/partition_listing.h"
#include "cli/raw_target.h"
#include "disk/device_reader.h"
#include "disk/sector_source.h"
#include "physical/carve/carve_scan.h"
#include "physical/carve/volume_free_space.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using physical::carve::CarvedFile;

struct CarveOptions {
  std::string target;
  std::string types;
  std::string out;
  bool json = false;
  bool allBlocks = false;
  bool findPartitions = false;
};

// Where to search: a volume's free clusters (cluster-aligned), or every
// sector of the range.
struct CarvePlan {
  physical::carve::CarveArea area;
  std::unique_ptr<physical::carve::VolumeFreeSpace> free;
  std::string what;  // for the listing
};

CarvePlan PlanArea(const RawTarget& target, disk::SectorSource& source, bool allBlocks) {
  CarvePlan plan;
  const physical::TPartiEntry& entry = *target.entry;
  // A volume's entry learns its size only when the raw scan asks for it;
  // its source knows.
  const uint64_t end = entry.DriveCode < 0 ? source.SectorCount()
                                           : std::min<uint64_t>(entry.AbsoluteEnd(), source.SectorCount());
  plan.area = {entry.AbsoluteStart(), std::max(end, entry.AbsoluteStart()), 1, nullptr};
  plan.what = "every sector";
  if (entry.DriveCode >= 0 || allBlocks) return plan;
  plan.free = physical::carve::OpenVolumeFreeSpace(source);
  if (!plan.free) {
    plan.what = "every sector (no FAT, exFAT or NTFS allocation map found)";
    return plan;
  }
  // Blocks are clusters (at most 128 KiB: larger clusters are searched in
  // steps of that size, which still includes every cluster start).
  const uint32_t block = std::gcd(plan.free->ClusterSectors(), 256u);
  plan.area = {plan.free->FirstSector(), std::min(plan.free->EndSector(), source.SectorCount()), block, plan.free.get()};
  plan.what = std::string("free clusters of ") + plan.free->FileSystem();
  return plan;
}

void PrintSummaryJson(const RawTarget& target, const CarvePlan& plan, const physical::carve::CarveCounts& counts,
                      const CarveTally& tally, bool recovered, const CollectedLog& log) {
  nlohmann::json out = DriveJson(*target.drive);
  out["entry"] = EntryJson(0, *target.drive, *target.entry);
  out["area"] = {{"first_sector", plan.area.first},
                 {"end_sector", plan.area.end},
                 {"block_sectors", plan.area.blockSectors},
                 {"searched", plan.what}};
  out["found"] = {{"validated", tally.validated}, {"joined", tally.joined}, {"damaged", tally.damaged}};
  if (recovered) out["recovered"] = {{"written", tally.written}, {"failed", tally.failed}};
  out["unreadable_sectors"] = counts.unreadableSectors;
  out["stopped"] = counts.stopped;
  out["log"] = nlohmann::json::array();
  for (const auto& line : log.lines)
    out["log"].push_back({{"text", platform::SystemToUtf8(line.text)}, {"icon", line.icon}, {"time", line.time}});
  PrintJsonLine(out);
}

int RunCarve(CliContext& context, const CarveOptions& options) {
  CollectedLog log;
  log.json = options.json;
  const std::optional<CarveTypes> types = ParseCarveTypes(options.types);
  if (!types) return kExitUsage;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  std::optional<engine::OutputFolder> out;
  if (!options.out.empty() && !(out = OpenDestination(options.out))) return kExitUsage;
  disk::DiskDevice device(target->entry->DriveCode);
  disk::SectorSource* source = device.Source();
  if (!source) {
    std::fprintf(stderr, "tarnwell-cli: %s cannot be opened\n", options.target.c_str());
    return kExitSomeFailed;
  }
  CarvePlan plan = PlanArea(*target, *source, options.allBlocks);
  context.progress.SetJobBytes((plan.area.end - plan.area.first) * disk::kSectorSize);
  physical::carve::CarveCounts counts;
  const bool stop = false;
  std::vector<CarvedFile> files =
      physical::carve::ScanArea(*source, plan.area, types->families, context.progress, context.pump, stop, counts);
  std::erase_if(files, [&](const CarvedFile& f) { return !types->Keeps(f); });
  context.progress.SetVisible(false);

  CarveTally tally;
  CountFound(files, tally);
  std::vector<CarvedOutcome> written;
  if (out) written = WriteCarvedFiles(context, *source, *out, files, tally);
  const auto outcomeOf = [&](size_t i) { return i < written.size() ? &written[i] : nullptr; };
  if (options.json) {
    PrintSummaryJson(*target, plan, counts, tally, out.has_value(), log);
    JsonWriter lines(stdout);
    for (size_t i = 0; i < files.size(); ++i) WriteCarvedJson(lines, files[i], outcomeOf(i));
  } else {
    std::printf("searched: %s, sectors %llu-%llu, blocks of %u sectors\n", plan.what.c_str(),
                static_cast<unsigned long long>(plan.area.first), static_cast<unsigned long long>(plan.area.end),
                plan.area.blockSectors);
    for (size_t i = 0; i < files.size(); ++i) PrintCarvedLine(files[i], outcomeOf(i));
  }
  std::fprintf(stderr, "tarnwell-cli: %zu files: %zu validated, %zu joined from two pieces, %zu damaged",
               files.size(), tally.validated, tally.joined, tally.damaged);
  if (counts.unreadableSectors) std::fprintf(stderr, "; %llu sectors unreadable", static_cast<unsigned long long>(counts.unreadableSectors));
  if (out) std::fprintf(stderr, "; %zu written, %zu failed", tally.written, tally.failed);
  std::fprintf(stderr, "\n");
  // Recovering: a damaged file is written only as far as it validated, so
  // it counts as incomplete, as a failed one does.
  if (out && (tally.failed || tally.damaged)) return kExitSomeFailed;
  return counts.unreadableSectors ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddCarveCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "carve", "Find files by their signatures and check each to its end: in a raw range, or a volume's free clusters");
  auto options = std::make_shared<CarveOptions>();
  command->add_option("TARGET", options->target,
                      "DRIVE:INDEX (drive code or disk image) for a raw range, or a drive letter for a volume")
      ->required();
  command->add_option("--types", options->types, "Only these kinds, comma-separated: " + CarveTypesHelp());
  command->add_option("--out", options->out, "Recover the files found into this folder, one folder per type");
  command->add_flag("--json", options->json, "JSON lines: the summary, then one line per file found");
  command->add_flag("--all-blocks", options->allBlocks,
                    "On a volume, search every sector, not only the clusters its file system leaves free");
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->callback([&context, exitCode, options] { *exitCode = RunCarve(context, *options); });
}

}  // namespace tarnwell::cli

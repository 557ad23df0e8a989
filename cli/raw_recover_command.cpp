#include <CLI/CLI.hpp>

#include <cstdio>
#include <regex>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/destination_folder.h"
#include "cli/raw_target.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "engine/entry_helpers.h"
#include "engine/recovery/output_path.h"
#include "physical/raw/raw_recovery.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using physical::TMidEntry;
using physical::TPartiEntry;

struct RawRecoverOptions {
  std::string target;
  std::string out;
  std::string fs;  // "", "fat" or "ntfs"
  std::vector<std::string> calibrate;
  bool findPartitions = false;
};

// A calibration item "FOLDER/NAME": the FAT entry named NAME (as listed,
// UTF-8) in folder number FOLDER.
const TMidEntry* FindCalibrationItem(const TPartiEntry& entry, const std::string& itemText) {
  std::smatch m;
  if (!std::regex_match(itemText, m, std::regex("([0-9]{1,9})/(.+)"))) return nullptr;
  const size_t folder = std::stoul(m[1].str());
  if (folder >= entry.DirSectors.size()) return nullptr;
  const uint32_t sector = static_cast<uint32_t>(entry.DirSectors[folder]);
  for (const auto& e : entry.FatEntries)
    if (e->DirSector == sector && platform::SystemToUtf8(physical::raw::RawEntryName(*e)) == m[2].str())
      return e.get();
  return nullptr;
}

// A new numbered folder in the destination; an existing file, folder or
// link of that name gets the "_1" treatment, so nothing planted there is
// written through.
std::optional<engine::OutputFolder> MakeNumberedFolder(const engine::OutputFolder& out, size_t number) {
  std::optional<engine::OutputFolder> folder =
      engine::CreateUniqueFolder(platform::SystemText(FolderCaption(static_cast<int>(number))), out);
  if (!folder)
    std::fprintf(stderr, "tarnwell-cli: cannot create %s in %s\n", FolderCaption(static_cast<int>(number)).c_str(),
                 out.Path().c_str());
  return folder;
}

// Each numbered folder of the chosen side goes into its own subfolder.
// Returns how many folders could not be made; sets stopped when the user
// stopped the recovery.
int RecoverFat(CliContext& context, RawTarget& target, const engine::OutputFolder& out, bool& stopped) {
  const TPartiEntry& entry = *target.entry;
  int failed = 0;
  for (size_t i = 0; i < entry.DirSectors.size() && !stopped; ++i) {
    int first = -1, last = -1;
    if (entry.DirSectors[i] > UINT32_MAX ||
        !physical::raw::FindFatFolderRange(*target.drive, static_cast<uint32_t>(entry.DirSectors[i]), first, last))
      continue;
    const std::optional<engine::OutputFolder> folder = MakeNumberedFolder(out, i);
    if (!folder) {
      ++failed;
      continue;
    }
    for (int k = first; k <= last && !stopped; ++k) {
      const TMidEntry& e = *entry.FatEntries[static_cast<size_t>(k)];
      const int result = (e.DirEntry.Attributes() & engine::kFatAttrDirectory)
                             ? physical::raw::RecoverFatFolder(*target.drive, e, context.status,
                                                               context.progress, *folder)
                             : physical::raw::RecoverItem(*target.drive, e, context.status, context.progress,
                                                          *folder);
      stopped = result == physical::raw::kRecoveryStopped;
    }
  }
  return failed;
}

int RecoverNtfs(CliContext& context, RawTarget& target, const engine::OutputFolder& out, bool& stopped) {
  const TPartiEntry& entry = *target.entry;
  int failed = 0;
  for (size_t i = 0; i < entry.ParentRefs.size() && !stopped; ++i) {
    int first = -1, last = -1;
    physical::raw::FindNtfsFolderRange(entry.NtfsRecords, entry.ParentRefs[i], first, last);
    if (first < 0) continue;
    const std::optional<engine::OutputFolder> folder = MakeNumberedFolder(out, i);
    if (!folder) {
      ++failed;
      continue;
    }
    for (int k = first; k <= last && !stopped; ++k) {
      const engine::tntfsfilerecord& r = *entry.NtfsRecords[static_cast<size_t>(k)];
      if (!engine::IsNtfsFile(r)) continue;  // folders are the numbered folders themselves
      stopped = physical::raw::RecoverItem(*target.drive, r, context.status, context.progress, *folder) ==
                physical::raw::kRecoveryStopped;
    }
  }
  return failed;
}

int RunRawRecover(CliContext& context, const RawRecoverOptions& options) {
  CollectedLog log;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  const std::optional<engine::OutputFolder> out = OpenDestination(options.out);
  if (!out) return kExitUsage;
  if (!RunRawScan(context, *target)) return kExitSomeFailed;
  if (options.calibrate.size() == 2) {
    const TMidEntry* a = FindCalibrationItem(*target->entry, options.calibrate[0]);
    const TMidEntry* b = FindCalibrationItem(*target->entry, options.calibrate[1]);
    if (!a || !b) {
      std::fprintf(stderr, "tarnwell-cli: calibration items are FOLDER/NAME of two found FAT items\n");
      return kExitUsage;
    }
    target->drive->CurrentPartition = target->entry;
    physical::raw::CalibrateFat(*target->drive, a, b);
  }
  const size_t linesBefore = log.lines.size();
  bool stopped = false;
  int failed = 0;
  if (options.fs != "ntfs") failed += RecoverFat(context, *target, *out, stopped);
  if (options.fs != "fat" && !stopped) failed += RecoverNtfs(context, *target, *out, stopped);
  context.progress.SetVisible(false);
  // Every failed or shortened item has one log line of its own.
  for (size_t i = linesBefore; i < log.lines.size(); ++i)
    if (log.lines[i].icon == physical::kLogFailure) ++failed;
  std::fprintf(stderr, "tarnwell-cli: %d failed or incomplete%s\n", failed, stopped ? ", stopped" : "");
  return failed > 0 || stopped ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddRawRecoverCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("raw-recover", "Raw-scan a target and recover every found item");
  auto options = std::make_shared<RawRecoverOptions>();
  command->add_option("TARGET", options->target, "DRIVE:INDEX (drive code or disk image) or a drive letter")
      ->required();
  command->add_option("--out", options->out, "Destination folder")->required();
  command->add_option("--fs", options->fs, "Only one side: fat or ntfs")->check(CLI::IsMember({"fat", "ntfs"}));
  command->add_option("--calibrate", options->calibrate,
                      "Correct the FAT geometry from two items FOLDER/NAME in different folders")
      ->expected(2);
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->callback([&context, exitCode, options] { *exitCode = RunRawRecover(context, *options); });
}

}  // namespace tarnwell::cli

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <regex>

#include "cli/carve_files.h"
#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/destination_folder.h"
#include "cli/raw_target.h"
#include "disk/device_reader.h"
#include "disk/sector_source.h"
#include "engine/entry_helpers.h"
#include "engine/recovery/output_path.h"
#include "physical/carve/carve_beside_scan.h"
#include "physical/carve/carve_scan.h"
#include "physical/carve/found_extents.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using physical::FoundFatEntry;
using physical::TPartiEntry;

struct RawRecoverOptions {
  std::string target;
  std::string out;
  std::string fs;  // "", "fat" or "ntfs"
  std::vector<std::string> calibrate;
  bool findPartitions = false;
  bool carve = false;
  std::string types;
};

// A calibration item "FOLDER/NAME": the FAT entry named NAME (as listed,
// UTF-8) in folder number FOLDER.
const FoundFatEntry* FindCalibrationItem(const TPartiEntry& entry, const std::string& itemText) {
  std::smatch m;
  if (!std::regex_match(itemText, m, std::regex("([0-9]{1,9})/(.+)"))) return nullptr;
  const size_t folder = std::stoul(m[1].str());
  if (folder >= entry.DirSectors.size()) return nullptr;
  const uint64_t sector = entry.DirSectors[folder];
  for (const auto& e : entry.FatEntries)
    if (e->DirSector == sector && platform::SystemToUtf8(physical::raw::RawEntryName(*e)) == m[2].str())
      return e.get();
  return nullptr;
}

// A new numbered folder in the destination; an existing file, folder or
// link of that name gets the "_1" treatment, so nothing planted there is
// written through.
// The lost entries get a folder of their own name.
std::optional<engine::OutputFolder> MakeNumberedFolder(const engine::OutputFolder& out, size_t number,
                                                       bool lost = false) {
  const std::string caption = lost ? "丢失的条目" : FolderCaption(static_cast<int>(number));
  std::optional<engine::OutputFolder> folder = engine::CreateUniqueFolder(platform::SystemText(caption), out);
  if (!folder) std::fprintf(stderr, "tarnwell-cli: cannot create %s in %s\n", caption.c_str(), out.Path().c_str());
  return folder;
}

// The found FAT folders as one tree, each written once: a numbered
// subfolder for each found folder that no found entry leads to, holding its
// entries and, under their names, the folders they lead to; then one for
// each folder left (those reached only through a loop of folders). Returns
// how many folders could not be made; sets stopped when the user stopped
// the recovery.
int RecoverFat(CliContext& context, RawTarget& target, const engine::OutputFolder& out, bool& stopped) {
  const TPartiEntry& entry = *target.entry;
  target.drive->CurrentPartition = target.entry;
  physical::raw::FoundFolderTree tree(*target.drive);
  int failed = 0;
  auto writeNumbered = [&](size_t i) {
    if (stopped || tree.Written(i)) return;
    const std::optional<engine::OutputFolder> folder =
        MakeNumberedFolder(out, i, entry.DirSectors[i] == physical::kLostEntriesSector);
    if (!folder) {
      ++failed;
      return;
    }
    stopped = tree.RecoverContents(i, context.status, context.progress, *folder) == physical::raw::kRecoveryStopped;
  };
  for (const size_t i : tree.TopLevel()) writeNumbered(i);
  for (size_t i = 0; i < entry.DirSectors.size(); ++i) writeNumbered(i);
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

// The signature scan beside the raw scan: it looks at the chunks the
// landmark pass reads, so the range is read once for both.
using CarveBeside = physical::carve::CarveBesideScan;

// Recovers what the signature scan found, leaving out the files whose
// first sector the found FAT entries and NTFS records account for: those
// were recovered by name. Returns the failed and damaged ones.
size_t RecoverCarved(CliContext& context, RawTarget& target, CarveBeside& carve, const CarveTypes& types,
                     const engine::OutputFolder& out) {
  carve.scanner->Finish(context.pump, false);
  std::vector<physical::carve::CarvedFile>& files = carve.scanner->Files();
  std::erase_if(files, [&](const physical::carve::CarvedFile& f) { return !types.Keeps(f); });
  const size_t named = physical::carve::DropAccountedFor(physical::carve::AccountedSectors(*target.entry), files);
  CarveTally tally;
  CountFound(files, tally);
  const std::vector<CarvedOutcome> outcomes = WriteCarvedFiles(context, *carve.device->Source(), out, files, tally);
  for (size_t i = 0; i < files.size(); ++i)
    if (!outcomes[i].outcome.written)
      std::fprintf(stderr, "tarnwell-cli: %s not written: %s\n", physical::carve::CarvedFileName(files[i]).c_str(),
                   outcomes[i].outcome.error.c_str());
  std::fprintf(stderr,
               "tarnwell-cli: carved %zu files (%zu validated, %zu joined, %zu damaged), %zu left out as found by "
               "name; %zu written\n",
               files.size(), tally.validated, tally.joined, tally.damaged, named, tally.written);
  return tally.failed + tally.damaged;
}

int RunRawRecover(CliContext& context, const RawRecoverOptions& options) {
  CollectedLog log;
  const std::optional<CarveTypes> types = ParseCarveTypes(options.types);
  if (!types) return kExitUsage;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  const std::optional<engine::OutputFolder> out = OpenDestination(options.out);
  if (!out) return kExitUsage;
  std::optional<CarveBeside> carve;
  if (options.carve && !(carve = physical::carve::PrepareCarveBesideScan(*target->entry, types->families))) {
    std::fprintf(stderr, "tarnwell-cli: %s cannot be opened\n", options.target.c_str());
    return kExitSomeFailed;
  }
  const disk::Outcome scanned = RunRawScan(context, *target, carve ? carve->scanner.get() : nullptr);
  if (NothingScanned(scanned)) {
    std::fprintf(stderr, "tarnwell-cli: %s: nothing to scan: the landmark pass could not run\n",
                 options.target.c_str());
    return kExitUsage;
  }
  if (options.calibrate.size() == 2) {
    const FoundFatEntry* a = FindCalibrationItem(*target->entry, options.calibrate[0]);
    const FoundFatEntry* b = FindCalibrationItem(*target->entry, options.calibrate[1]);
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
  if (carve && !stopped) failed += static_cast<int>(RecoverCarved(context, *target, *carve, *types, *out));
  // Files copied from where only the size table put them may be anything.
  const int unverified = target->drive->UnverifiedRecoveries;
  std::fprintf(stderr, "tarnwell-cli: %d failed or incomplete%s", failed, stopped ? ", stopped" : "");
  if (unverified > 0) std::fprintf(stderr, ", %d unverified (FAT geometry guessed)", unverified);
  std::fprintf(stderr, "\n");
  return failed > 0 || unverified > 0 || stopped || !scanned ? kExitSomeFailed : kExitOk;
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
  command->add_flag("--carve", options->carve,
                    "Also find files by their signatures in the same read, and recover those no found entry "
                    "accounts for into one folder per type");
  command->add_option("--types", options->types,
                      "With --carve, only these kinds, comma-separated: " + CarveTypesHelp());
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->callback([&context, exitCode, options] { *exitCode = RunRawRecover(context, *options); });
}

}  // namespace tarnwell::cli

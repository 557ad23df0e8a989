#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/entry_json.h"
#include "cli/entry_walk.h"

namespace tarnwell::cli {
namespace {

struct RescanOptions {
  std::string volume;
  std::string path;
  bool json = false;
};

int RunRescan(CliContext& context, const RescanOptions& options) {
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;
  const std::optional<FoundEntry> folder = FindEntryByPath(engine, options.path);
  if (!folder || folder->handle.Status() != engine::EntryStatus::kDamaged) {
    std::fprintf(stderr, "tarnwell-cli: %s is not a damaged FAT folder\n", options.path.c_str());
    return kExitUsage;
  }
  const bool rescanned = engine.RescanDamagedFolder(folder->handle, context.status);
  context.progress.SetVisible(false);
  if (!rescanned) {
    std::fprintf(stderr, "tarnwell-cli: the folder's first cluster was not found\n");
    return kExitSomeFailed;
  }
  // The handle reads the entry as it is now, its restored high word and
  // so its key included.
  EntryPrinter printer(options.json);
  printer.Print(*folder);
  WalkBelow(*folder, [&](const FoundEntry& e) { printer.Print(e); });
  return kExitOk;
}

}  // namespace

void AddRescanDamagedCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("rescan-damaged",
                                     "Find the lost first cluster of a damaged FAT32 folder and list it");
  auto o = std::make_shared<RescanOptions>();
  command->add_option("VOLUME", o->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_option("PATH", o->path, "The damaged folder")->required();
  command->add_flag("--json", o->json, "One JSON object per line");
  command->callback([&context, exitCode, o] { *exitCode = RunRescan(context, *o); });
}

}  // namespace tarnwell::cli

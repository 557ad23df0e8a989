#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/entry_json.h"
#include "cli/entry_walk.h"

namespace tarnwell::cli {
namespace {

struct ListOptions {
  std::string volume;
  bool deletedOnly = false;
  bool json = false;
};

int RunList(CliContext& context, const ListOptions& options) {
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;
  EntryPrinter printer(options.json);
  WalkEntries(engine, [&](const FoundEntry& entry) {
    if (!options.deletedOnly || entry.handle.IsDeleted()) printer.Print(entry);
  });
  return kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("list", "Scan a volume and list its existing and deleted entries");
  auto options = std::make_shared<ListOptions>();
  command->add_option("VOLUME", options->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_flag("--deleted", options->deletedOnly, "Deleted and damaged entries only");
  command->add_flag("--json", options->json, "One JSON object per line");
  command->callback([&context, exitCode, options] { *exitCode = RunList(context, *options); });
}

}  // namespace tarnwell::cli

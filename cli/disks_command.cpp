#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/partition_listing.h"
#include "physical/physical_drive_list.h"

namespace tarnwell::cli {
namespace {

int RunDisks(CliContext& context, bool json) {
  if (!context.Prepare()) return kExitUsage;
  const physical::TPhysicalDriveList list({context.log, context.boxes, context.pump});
  for (const auto& drive : list.Items) {
    if (json) {
      nlohmann::json line = DriveJson(*drive);
      line["entries"] = nlohmann::json::array();
      for (size_t i = 0; i < drive->Partitions.size(); ++i)
        line["entries"].push_back(EntryJson(i, *drive, *drive->Partitions[i]));
      PrintJsonLine(line);
      continue;
    }
    PrintDriveHeader(*drive);
    for (size_t i = 0; i < drive->Partitions.size(); ++i)
      PrintEntry(i, *drive, *drive->Partitions[i]);
  }
  return kExitOk;
}

}  // namespace

void AddDisksCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "disks", "List volumes and physical disks with their partition tables and free space");
  auto json = std::make_shared<bool>(false);
  command->add_flag("--json", *json, "One JSON object per drive per line");
  command->callback([&context, exitCode, json] { *exitCode = RunDisks(context, *json); });
}

}  // namespace tarnwell::cli

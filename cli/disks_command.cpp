#include <CLI/CLI.hpp>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/partition_listing.h"
#include "cli/json_writer.h"
#include "physical/physical_drive_list.h"
#include "platform/device_table.h"

namespace tarnwell::cli {
namespace {

constexpr char kLockedHint[] =
    "cannot be opened without authorisation: run tarnwell-cli with sudo, or add the user to the "
    "disk group; the desktop program asks the desktop's disk service";

// Block devices the user may not open are named with a note instead of
// being left out, so that a script sees why a disk is missing.
void PrintLockedDisks(bool json) {
  const auto& disks = platform::DeviceTable::Instance().Disks();
  JsonWriter out(stdout);
  for (size_t i = 0; i < disks.size(); ++i) {
    const platform::PhysicalDisk& disk = disks[i];
    if (!disk.needsAuthorisation) continue;
    if (json) {
      out.BeginObject();
      out.Key("code").Unsigned(i);
      out.Key("name").String(disk.name);
      out.Key("device").String(disk.origin.path);
      out.Key("model").String(disk.model);
      out.Key("total_bytes").Unsigned(disk.sizeBytes);
      out.Key("needs_authorisation").Bool(true);
      out.Key("note").String(kLockedHint);
      out.EndLine();
      continue;
    }
    std::printf("disk %zu  %s  %s  %s\n  %s\n", i, disk.origin.path.c_str(), disk.model.c_str(),
                "(needs authorisation)", kLockedHint);
  }
}

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
  std::fflush(stdout);
  PrintLockedDisks(json);
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

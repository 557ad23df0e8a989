#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <optional>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/health_format.h"
#include "health/replay_drive.h"
#include "health/smart_list.h"
#include "platform/smart_device.h"

namespace tarnwell::cli {
namespace {

struct HealthOptions {
  int drive = -1;        // --drive N, -1 for every drive
  std::string replay;    // --replay FILE
  bool json = false;
};

int RunHealth(CliContext& context, const HealthOptions& options) {
  auto& table = platform::SmartDriveTable::Instance();
  if (!options.replay.empty()) {
    std::string error;
    if (!health::AttachReplayFile(options.replay, &error)) {
      std::fprintf(stderr, "tarnwell-cli: cannot replay %s\n", error.c_str());
      return kExitUsage;
    }
    // A recorded run shows the recording only, never this machine's disks.
    table.SetProbeDevices(false);
  } else if (context.noDevices) {
    table.SetProbeDevices(false);
  }

  std::vector<DriveHealth> drives;
  for (const health::TDriveIdentity& identity : health::ListSmartDrives()) {
    if (options.drive >= 0 && identity.DriveNumber() != options.drive) continue;
    DriveHealth drive;
    drive.identity = identity;
    drive.source = table.DriveName(identity.DriveNumber());
    drives.push_back(std::move(drive));
  }
  if (drives.empty()) {
    if (options.drive >= 0)
      std::fprintf(stderr, "tarnwell-cli: drive %d did not answer identify\n", options.drive);
    else
      std::fprintf(stderr, "tarnwell-cli: no ATA drive answered identify\n");
    return kExitSomeFailed;
  }

  const int errorsBefore = context.boxes.Errors();
  bool first = true;
  for (DriveHealth& drive : drives) {
    drive.verdict = health::FillSmartList(drive.identity.DriveNumber(), drive.rows, context.boxes);
    if (options.json) {
      std::printf("%s\n", DriveHealthJson(drive)
                              .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
                              .c_str());
    } else {
      std::printf("%s%s", first ? "" : "\n", FormatDriveHealthText(drive).c_str());
    }
    first = false;
  }
  return context.boxes.Errors() > errorsBefore ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddHealthCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "health", "Show the S.M.A.R.T. attributes and verdict of the ATA drives");
  auto options = std::make_shared<HealthOptions>();
  auto* drive = command->add_option("--drive", options->drive, "Only drive N, as the list numbers them")
                    ->check(CLI::Range(0, platform::SmartDriveTable::kMaxDrives - 1));
  command->add_option("--replay", options->replay,
                      "Answer from a recorded drive instead of this machine's disks")
      ->excludes(drive);
  command->add_flag("--json", options->json, "One JSON object per drive and line");
  command->callback([&context, exitCode, options] { *exitCode = RunHealth(context, *options); });
}

}  // namespace tarnwell::cli

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <array>
#include <cstdio>

#include "cli/cli_context.h"
#include "cli/terminal_text.h"
#include "cli/commands.h"
#include "engine/identify.h"
#include "engine/records.h"
#include "engine/undelete.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

// "FAT12", "FAT16", "FAT32", "NTFS", "exFAT" or "unrecognised".
std::string FsKindName(uint8_t kind) {
  switch (kind) {
    case engine::kFat12: return "FAT12";
    case engine::kFat16: return "FAT16";
    case engine::kFat32: return "FAT32";
    case engine::kNtfs: return "NTFS";
    case engine::kExfat: return "exFAT";
    default: return "unrecognised";
  }
}

// Identifies without scanning: the boot sector's kind after the same checks
// a scan makes.
uint8_t IdentifyVolume(const engine::TLogiDrive& drive) {
  std::array<uint8_t, 512> sector{};
  if (drive.TotalBytes == 0 || !drive.Reader().Read(0, 1, sector.data())) return engine::kUnrecognised;
  return engine::AcceptedVolumeKind(drive.Reader(), sector);
}

int RunVolumes(CliContext& context, bool json) {
  if (!context.Prepare()) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  for (const auto& drive : engine.Drives) {
    const std::string label = platform::SystemToUtf8(drive->VolumeLabel);
    const std::string fs = FsKindName(IdentifyVolume(*drive));
    const char* type = drive->DriveType == 2 ? "removable" : "fixed";
    if (json) {
      nlohmann::json line = {{"letter", drive->DriveName},
                             {"type", drive->DriveType},
                             {"total_bytes", drive->TotalBytes},
                             {"size_text", drive->SizeText},
                             {"label", label},
                             {"fs", fs}};
      std::printf("%s\n", line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    } else {
      std::printf("%s  %-9s  %10s  %-12s  %s\n", drive->DriveName.c_str(), type,
                  drive->SizeText.c_str(), fs.c_str(), TerminalSafe(label).c_str());
    }
  }
  return kExitOk;
}

}  // namespace

void AddVolumesCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("volumes", "List the drive letters with size, label and file system");
  auto json = std::make_shared<bool>(false);
  command->add_flag("--json", *json, "One JSON object per line");
  command->callback([&context, exitCode, json] { *exitCode = RunVolumes(context, *json); });
}

}  // namespace tarnwell::cli

#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/body_file.h"
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
  bool bodyFile = false;
  std::string mountPoint;  // empty: the volume's drive letter ("C:")
};

int RunList(CliContext& context, const ListOptions& options) {
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;
  const std::string mountPoint = options.mountPoint.empty() ? std::string{*letter, ':'} : options.mountPoint;
  EntryPrinter printer(options.json);
  WalkEntries(engine, [&](const FoundEntry& entry) {
    if (options.deletedOnly && !entry.handle.IsDeleted()) return;
    if (!options.bodyFile) {
      printer.Print(entry);
      return;
    }
    const std::string line = BodyFileLine(entry, mountPoint);
    if (!line.empty()) std::printf("%s\n", line.c_str());
  });
  // Read errors were printed as they happened; what the listing lacks
  // because of them makes it incomplete.
  return context.boxes.Errors() > 0 ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddListCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("list", "Scan a volume and list its existing and deleted entries");
  auto options = std::make_shared<ListOptions>();
  command->add_option("VOLUME", options->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_flag("--deleted", options->deletedOnly, "Deleted and damaged entries only");
  auto* json = command->add_flag("--json", options->json, "One JSON object per line");
  auto* bodyFile = command->add_flag("--bodyfile", options->bodyFile,
                 "The Sleuth Kit body file (MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime) for mactime")
      ->excludes(json);
  command->add_option("--mount-point", options->mountPoint,
                      "Body file names start with this instead of the drive letter (as fls -m PREFIX)")
      ->needs(bodyFile);
  command->callback([&context, exitCode, options] { *exitCode = RunList(context, *options); });
}

}  // namespace tarnwell::cli

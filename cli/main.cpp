// tarnwell-cli: the command-line front end over the recovery engine.
#include <CLI/CLI.hpp>

#include <clocale>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "platform/version_info.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  tarnwell::cli::CliContext context;
  int exitCode = tarnwell::cli::kExitOk;

  CLI::App app{"Tarnwell: recover deleted files from FAT and NTFS disks and images", "tarnwell-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "tarnwell-cli " + tarnwell::platform::GetVersionInfoString("productversion"));
  // In the order given, so that each --map joins the --image before it.
  app.add_option_function<std::string>(
         "--image", [&context](const std::string& image) { context.AddImage(image); },
         "Attach a disk or volume image (repeatable)")
      ->trigger_on_parse();
  app.add_option_function<std::string>(
         "--map",
         [&context](const std::string& map) {
           if (!context.SetImageMap(map)) throw CLI::ValidationError("--map", "must follow the --image it maps");
         },
         "ddrescue map of the --image before it: sectors the copy never read fail when read")
      ->trigger_on_parse();
  app.add_flag("--no-devices", context.noDevices, "List attached images only, no block devices");
  app.add_flag("--skip-free-clusters", context.skipFreeClusters,
               "FAT and exFAT scans leave out the search of the free clusters for lost entries (it reads all free "
               "space, which takes as long as reading it on a large disk)");
  app.add_flag_callback("-q,--quiet", [&context] { context.drawing.SetQuiet(true); },
                        "No progress line on the terminal");

  tarnwell::cli::AddVolumesCommand(app, context, &exitCode);
  tarnwell::cli::AddHealthCommand(app, context, &exitCode);
  tarnwell::cli::AddDisksCommand(app, context, &exitCode);
  tarnwell::cli::AddFindPartitionsCommand(app, context, &exitCode);
  tarnwell::cli::AddListCommand(app, context, &exitCode);
  tarnwell::cli::AddRecoverCommand(app, context, &exitCode);
  tarnwell::cli::AddSearchCommand(app, context, &exitCode);
  tarnwell::cli::AddRescanDamagedCommand(app, context, &exitCode);
  tarnwell::cli::AddRawScanCommand(app, context, &exitCode);
  tarnwell::cli::AddRawRecoverCommand(app, context, &exitCode);
  tarnwell::cli::AddRawExfatCommand(app, context, &exitCode);
  tarnwell::cli::AddCarveCommand(app, context, &exitCode);
  tarnwell::cli::AddImageCommand(app, context, &exitCode);
  tarnwell::cli::AddHelpCommand(app, &exitCode);
  tarnwell::cli::AddCompletionCommand(app, &exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? 0 : tarnwell::cli::kExitUsage;
  }
  return exitCode;
}

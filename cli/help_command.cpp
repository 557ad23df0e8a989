#include <CLI/CLI.hpp>

#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"

namespace tarnwell::cli {

void AddHelpCommand(CLI::App& app, int* exitCode) {
  auto* command = app.add_subcommand("help", "Show the options of a command (help COMMAND), or of all");
  auto name = std::make_shared<std::string>();
  command->add_option("COMMAND", *name, "The command to describe");
  command->callback([&app, exitCode, name] {
    if (name->empty()) {
      // app.help() would describe the command running now (help itself).
      std::fputs(app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal).c_str(),
                 stdout);
      *exitCode = kExitOk;
      return;
    }
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->get_name() == *name) {
        // Named as `COMMAND --help` names it: "Usage: tarnwell-cli list ...".
        std::fputs(sub->help(app.get_name()).c_str(), stdout);
        *exitCode = kExitOk;
        return;
      }
    }
    std::fprintf(stderr, "tarnwell-cli: no command %s; `tarnwell-cli help` lists them\n", name->c_str());
    *exitCode = kExitUsage;
  });
}

}  // namespace tarnwell::cli

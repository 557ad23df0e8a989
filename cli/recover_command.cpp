#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/entry_walk.h"

namespace tarnwell::cli {
namespace {

struct RecoverOptions {
  std::string volume;
  std::string out;
  std::vector<std::string> paths;
};

// Recovers one entry (a folder with everything below it) into dir; false
// when the engine reports the item itself as failed.
bool RecoverEntry(engine::TUndelete& engine, CliContext& context, const FoundEntry& entry,
                  const std::string& dir) {
  // A folder's own result only says whether it had children to copy; what
  // failed below it shows in the log and the reader's messages.
  if (entry.fat) {
    if (!entry.folder)
      return engine.RecoverFile(*entry.fat, entry.outputName, context.log, context.status, dir);
    engine.RecoverFolder(*entry.fat, entry.outputName, context.log, context.status, dir);
    return true;
  }
  if (!entry.folder)
    return engine.RecoverFile(*entry.ntfs, entry.outputName, context.log, context.status, dir);
  engine.RecoverFolder(*entry.ntfs, entry.outputName, context.log, context.status, dir);
  return true;
}

int RunRecover(CliContext& context, const RecoverOptions& options) {
  struct stat st {};
  if (::stat(options.out.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "tarnwell-cli: %s is not a folder\n", options.out.c_str());
    return kExitUsage;
  }
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;

  // Failures are what the engine logs as errors and what the disk reader
  // reports, plus items the engine refuses outright.
  const int errorsBefore = context.boxes.Errors();
  int refused = 0;
  std::vector<FoundEntry> items;
  if (options.paths.empty()) {
    WalkEntries(engine, [&](const FoundEntry& e) {
      // Top level only: folders bring their contents along.
      if (e.path.find('/') == std::string::npos) items.push_back(e);
    });
  } else {
    for (const std::string& path : options.paths) {
      std::optional<FoundEntry> found = FindEntryByPath(engine, path);
      if (!found) {
        std::fprintf(stderr, "tarnwell-cli: no entry %s\n", path.c_str());
        ++refused;
        continue;
      }
      items.push_back(*found);
    }
  }
  for (const FoundEntry& item : items)
    if (!RecoverEntry(engine, context, item, options.out)) {
      std::fprintf(stderr, "tarnwell-cli: could not recover %s\n", item.path.c_str());
      ++refused;
    }
  context.status.SetText("");
  const bool failed = refused > 0 || context.log.ErrorLines() > 0 ||
                      context.boxes.Errors() > errorsBefore;
  return failed ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddRecoverCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("recover", "Copy files and folders of a volume into a folder");
  auto options = std::make_shared<RecoverOptions>();
  command->add_option("VOLUME", options->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_option("--out", options->out, "Destination folder (must exist)")->required();
  command->add_option("PATH", options->paths, "Entries to recover (default: the whole volume)");
  command->callback([&context, exitCode, options] { *exitCode = RunRecover(context, *options); });
}

}  // namespace tarnwell::cli

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/entry_walk.h"
#include "engine/entry_count.h"
#include "engine/recovery/output_path.h"

namespace tarnwell::cli {
namespace {

struct RecoverOptions {
  std::string volume;
  std::string out;
  std::vector<std::string> paths;
  std::vector<uint32_t> keys;
  bool force = false;  // go on although the destination looks too small
};

// Recovers one entry (a folder with everything below it) into dir; false
// when it, or anything below it, failed (each such item is in the log).
// Files written from overwritten clusters are added to overwritten.
bool RecoverEntry(CliContext& context, const FoundEntry& entry, const engine::OutputFolder& dir,
                  uint64_t& overwritten) {
  return entry.handle.Recover({dir, context.log, context.status, context.progress, nullptr, &overwritten}) ==
         engine::RecoverResult::kRecovered;
}

// The entries named on the command line; each name that finds nothing is
// said on stderr and counted in refused.
std::vector<FoundEntry> SelectEntries(engine::TUndelete& engine, const RecoverOptions& options, int& refused) {
  std::vector<FoundEntry> items;
  if (options.paths.empty() && options.keys.empty()) {
    // Top level only, chosen by the tree and not by the joined path, so a
    // name holding "/" is not mistaken for something deeper: folders bring
    // their contents along.
    WalkTopLevel(engine, [&](const FoundEntry& e) { items.push_back(e); });
    return items;
  }
  for (const std::string& path : options.paths) {
    std::optional<FoundEntry> found = FindEntryByPath(engine, path);
    if (!found) {
      std::fprintf(stderr, "tarnwell-cli: no entry %s\n", path.c_str());
      ++refused;
      continue;
    }
    items.push_back(*found);
  }
  for (const uint32_t key : options.keys) {
    std::vector<FoundEntry> found = FindEntriesByKey(engine, key);
    if (found.size() != 1) {
      std::fprintf(stderr, "tarnwell-cli: key %u names %zu entries, not one\n", key, found.size());
      ++refused;
      continue;
    }
    items.push_back(found.front());
  }
  return items;
}

int RunRecover(CliContext& context, const RecoverOptions& options) {
  struct stat st {};
  if (::stat(options.out.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    std::fprintf(stderr, "tarnwell-cli: %s is not a folder\n", options.out.c_str());
    return kExitUsage;
  }
  std::optional<engine::OutputFolder> out = engine::OutputFolder::Open(options.out);
  if (!out) {
    std::fprintf(stderr, "tarnwell-cli: cannot open %s\n", options.out.c_str());
    return kExitUsage;
  }
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;

  // Failures are the items the engine logs as failed (one line each), the
  // names that find nothing, and the disk reader's error messages.
  const int errorsBefore = context.boxes.Errors();
  const int linesBefore = context.log.ErrorLines();
  int refused = 0;
  const std::vector<FoundEntry> items = SelectEntries(engine, options, refused);
  // Cross-linked entries can add up to far more than the volume: nothing
  // is written when the destination cannot take it, unless asked to.
  uint64_t planned = 0;
  for (const FoundEntry& item : items) planned = engine::SaturatingAdd(planned, engine::BytesToWrite(item.handle));
  if (const engine::RoomCheck room = engine::CheckRoom(options.out, planned); !room.Fits() && !options.force) {
    std::fprintf(stderr,
                 "tarnwell-cli: the recovery writes up to %llu bytes, but %s has %llu bytes free; "
                 "--force goes on anyway\n",
                 static_cast<unsigned long long>(room.planned), options.out.c_str(),
                 static_cast<unsigned long long>(*room.available));
    return kExitSomeFailed;
  }
  int unlogged = 0;
  // Written, but partly or wholly with other files' bytes: each has its
  // line in the log, and they make the recovery no success.
  uint64_t overwritten = 0;
  for (const FoundEntry& item : items) {
    const int lines = context.log.ErrorLines();
    if (!RecoverEntry(context, item, *out, overwritten) && context.log.ErrorLines() == lines) {
      std::fprintf(stderr, "tarnwell-cli: could not recover %s\n", item.path.c_str());
      ++unlogged;
    }
  }
  context.status.SetText("");
  const int failed = refused + unlogged + (context.log.ErrorLines() - linesBefore);
  std::fprintf(stderr, "tarnwell-cli: %zu selected, %d failed or incomplete, %llu overwritten\n", items.size(),
               failed, static_cast<unsigned long long>(overwritten));
  return failed > 0 || overwritten > 0 || context.boxes.Errors() > errorsBefore ? kExitSomeFailed : kExitOk;
}

}  // namespace

void AddRecoverCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("recover", "Copy files and folders of a volume into a folder");
  auto options = std::make_shared<RecoverOptions>();
  command->add_option("VOLUME", options->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_option("--out", options->out, "Destination folder (must exist)")->required();
  command->add_option("PATH", options->paths, "Entries to recover (default: the whole volume)");
  command->add_option("--key", options->keys,
                      "An entry to recover by its key as list --json prints it (for names holding \"/\")");
  command->add_flag("--force", options->force,
                    "Recover even when the files add up to more than the destination's free space");
  command->callback([&context, exitCode, options] { *exitCode = RunRecover(context, *options); });
}

}  // namespace tarnwell::cli

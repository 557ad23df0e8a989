// The exFAT side of the raw-range scan from the command line: entry sets
// found anywhere in a target, the geometry they agree on, and their files
// recovered.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/raw_target.h"
#include "cli/terminal_text.h"
#include "engine/exfat/entry_set.h"
#include "physical/physical_window.h"
#include "physical/raw/exfat_set_recovery.h"
#include "physical/raw/exfat_set_scan.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

struct RawExfatOptions {
  std::string target;
  std::string out;
  bool json = false;
  bool findPartitions = false;
};

std::string JoinPath(const std::vector<std::string>& folders, const std::string& name) {
  std::string path;
  for (const std::string& f : folders) path += f + "/";
  return path + name;
}

int RunRawExfat(CliContext& context, const RawExfatOptions& options) {
  CollectedLog log;
  log.json = options.json;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  if (!options.out.empty() && ::mkdir(options.out.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "tarnwell-cli: cannot create %s\n", options.out.c_str());
    return kExitUsage;
  }
  const physical::raw::ExfatRange range{target->entry->DriveCode, target->entry->AbsoluteStart(),
                                        target->entry->SectorCount()};
  const bool stop = false;
  const std::vector<physical::raw::ExfatFoundSet> sets =
      physical::raw::FindExfatSets(range.driveCode, range.start, range.count, context.pump, stop);
  const physical::raw::ExfatRawGeometry geometry = physical::raw::CalibrateExfat(sets);
  const std::vector<std::vector<std::string>> folders = physical::raw::ExfatSetFolders(sets, geometry);

  nlohmann::ordered_json items = nlohmann::ordered_json::array();
  for (size_t i = 0; i < sets.size(); ++i) {
    const engine::ExfatEntrySet& s = sets[i].set;
    const std::string name = platform::SystemToUtf8(engine::ExfatSetToEntry(s).LongName);
    const std::string path = JoinPath(folders[i], name);
    if (options.json) {
      items.push_back({{"path", path},
                       {"folder", s.IsFolder()},
                       {"deleted", !s.inUse},
                       {"size", s.IsFolder() ? 0 : s.dataLength},
                       {"contiguous", s.NoFatChain()},
                       {"first_cluster", s.firstCluster},
                       {"sector", sets[i].sector}});
    } else {
      // Names from the disk: control characters (a NUL among them) are
      // shown as "?", as the listing of a volume shows them.
      std::printf("%-8s %c %12llu  %s%s\n", s.inUse ? "existing" : "deleted", s.IsFolder() ? 'd' : '-',
                  static_cast<unsigned long long>(s.IsFolder() ? 0 : s.dataLength), TerminalSafe(path).c_str(),
                  s.IsFolder() ? "/" : "");
    }
  }
  int failed = 0;
  if (!options.out.empty()) {
    // Without a cluster size and heap start no file can be placed: say so
    // rather than count every set failed in silence.
    size_t files = 0;
    for (const physical::raw::ExfatFoundSet& s : sets) files += s.set.IsFolder() ? 0 : 1;
    if (!geometry.Known() && files > 0)
      std::fprintf(stderr,
                   "tarnwell-cli: cannot recover from %s: the cluster size and the cluster heap's start could not "
                   "be worked out from the %zu entry sets found; %zu files not recovered\n",
                   options.target.c_str(), sets.size(), files);
    failed = physical::raw::RecoverExfatSets(range, sets, geometry, options.out, log, context.pump, stop);
  }
  if (options.json) {
    nlohmann::ordered_json lines = nlohmann::ordered_json::array();
    for (const auto& l : log.lines) lines.push_back({{"icon", l.icon}, {"text", platform::SystemToUtf8(l.text)}});
    const nlohmann::ordered_json result = {
        {"geometry",
         {{"cluster_sectors", geometry.clusterSectors},
          {"heap_start", geometry.Known() ? nlohmann::ordered_json(geometry.heapStart) : nullptr}}},
        {"sets", sets.size()},
        {"failed", failed},
        {"log", lines},
        {"items", items}};
    std::printf("%s\n", result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
  }
  return failed == 0 ? kExitOk : kExitSomeFailed;
}

}  // namespace

void AddRawExfatCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "raw-exfat", "Find exFAT entry sets anywhere in a target, work out its geometry, list and recover them");
  auto options = std::make_shared<RawExfatOptions>();
  command->add_option("TARGET", options->target, "DRIVE:INDEX (drive code or disk image) or a drive letter")
      ->required();
  command->add_option("--out", options->out, "Recover the found files into this folder");
  command->add_flag("--json", options->json, "One JSON object: geometry, log lines, found sets");
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->callback([&context, exitCode, options] { *exitCode = RunRawExfat(context, *options); });
}

}  // namespace tarnwell::cli

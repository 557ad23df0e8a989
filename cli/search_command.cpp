#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdio>
#include <limits>
#include <unordered_map>

#include "cli/cli_context.h"
#include "cli/commands.h"
#include "cli/entry_json.h"
#include "cli/entry_walk.h"
#include "engine/filetime.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

struct SearchOptions {
  std::string volume;
  std::string names;
  bool caseSensitive = false;
  bool deletedOnly = false;
  std::string dateKind = "modified";
  std::string from, to;
  int64_t minKb = -1, maxKb = -1;
  std::string under;
  bool json = false;
};

// "YYYY-MM-DD" as a date-time value at midnight; nullopt when malformed.
std::optional<double> ParseDate(const std::string& text) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) != 3) return std::nullopt;
  if (m < 1 || m > 12 || d < 1 || d > 31) return std::nullopt;
  return static_cast<double>(engine::DaysFromCivil(y, m, d));
}

// The criteria the options ask for; nullopt (after printing why) when an
// option is malformed.
std::optional<engine::TSearchCriteria> Criteria(engine::TUndelete& engine,
                                                const SearchOptions& o) {
  engine::TSearchCriteria c;
  c.Names = platform::Utf8ToSystem(o.names);
  c.CaseSensitive = o.caseSensitive;
  c.DeletedOnly = o.deletedOnly;
  if (o.dateKind == "created") c.DateKind = 0;
  else if (o.dateKind == "modified") c.DateKind = 1;
  else if (o.dateKind == "accessed") c.DateKind = 2;
  else {
    std::fprintf(stderr, "tarnwell-cli: --date-kind is created, modified or accessed\n");
    return std::nullopt;
  }
  if (!o.from.empty() || !o.to.empty()) {
    const std::optional<double> from = o.from.empty() ? ParseDate("1980-01-01") : ParseDate(o.from);
    const std::optional<double> to = o.to.empty() ? ParseDate("2107-12-31") : ParseDate(o.to);
    if (!from || !to) {
      std::fprintf(stderr, "tarnwell-cli: dates are YYYY-MM-DD\n");
      return std::nullopt;
    }
    c.DateFrom = *from;
    // The whole of the last day, to the last fraction of its last second:
    // NTFS and exFAT stamps keep parts of a second.
    c.DateTo = std::nextafter(*to + 1.0, *to);
  }
  if (o.minKb >= 0 || o.maxKb >= 0) {
    constexpr int64_t kMaxKb = std::numeric_limits<int64_t>::max() / 1024;
    c.SizeMin = o.minKb >= 0 ? std::min(o.minKb, kMaxKb) * 1024 : 0;
    c.SizeMax = o.maxKb >= 0 ? std::min(o.maxKb, kMaxKb) * 1024 : std::numeric_limits<int64_t>::max();
  }
  if (!o.under.empty()) {
    const std::optional<FoundEntry> folder = FindEntryByPath(engine, o.under);
    if (!folder || !folder->handle.IsFolder()) {
      std::fprintf(stderr, "tarnwell-cli: no folder %s\n", o.under.c_str());
      return std::nullopt;
    }
    c.FolderKey = static_cast<int64_t>(folder->handle.FolderKey());
  }
  return c;
}

int RunSearch(CliContext& context, const SearchOptions& options) {
  const std::optional<char> letter = context.ResolveVolume(options.volume);
  if (!letter) return kExitUsage;
  engine::TUndelete engine(context.boxes, context.pump);
  if (!ScanLetter(engine, *letter, context)) return kExitSomeFailed;
  const std::optional<engine::TSearchCriteria> criteria = Criteria(engine, options);
  if (!criteria) return kExitUsage;
  engine.SearchResults.clear();
  const bool searched = engine.Search(*criteria);

  // Results are printed in the order the search found them, with the paths
  // of the tree walk.
  std::unordered_map<const void*, FoundEntry> byRecord;
  WalkEntries(engine, [&](const FoundEntry& e) { byRecord.emplace(e.handle.Item(), e); });
  EntryPrinter printer(options.json);
  for (const engine::EntryHandle& result : engine.SearchResults) {
    const auto it = byRecord.find(result.Item());
    if (it != byRecord.end()) printer.Print(it->second);
  }
  return searched ? kExitOk : kExitSomeFailed;
}

}  // namespace

void AddSearchCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand("search", "Scan a volume and list the entries that match");
  auto o = std::make_shared<SearchOptions>();
  command->add_option("VOLUME", o->volume, "Drive letter (C:) or volume image/device")->required();
  command->add_option("--name", o->names, "Comma-separated name patterns with * and ?");
  command->add_flag("--case", o->caseSensitive, "Match names case-sensitively");
  command->add_flag("--deleted-only", o->deletedOnly, "Deleted entries only");
  command->add_option("--date-kind", o->dateKind, "created, modified (default) or accessed");
  command->add_option("--from", o->from, "First day, YYYY-MM-DD");
  command->add_option("--to", o->to, "Last day, YYYY-MM-DD");
  // A negative bound would read as "no bound" below: refused here.
  const CLI::Validator notNegative(
      [](std::string& text) { return text.starts_with('-') ? std::string("sizes are 0 KB or more") : std::string(); },
      "KB");
  command->add_option("--min-kb", o->minKb, "Smallest size in KB")->check(notNegative);
  command->add_option("--max-kb", o->maxKb, "Largest size in KB")->check(notNegative);
  command->add_option("--under", o->under, "Search below this folder only");
  command->add_flag("--json", o->json, "One JSON object per line");
  command->callback([&context, exitCode, o] { *exitCode = RunSearch(context, *o); });
}

}  // namespace tarnwell::cli

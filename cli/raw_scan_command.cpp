#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

#include "cli/cli_context.h"
#include "cli/terminal_text.h"
#include "cli/commands.h"
#include "cli/entry_json.h"
#include "cli/json_writer.h"
#include "cli/partition_listing.h"
#include "cli/raw_target.h"
#include "engine/entry_helpers.h"
#include "engine/search/entry_dates.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/fat_geometry_evidence.h"
#include "physical/raw/found_lookup.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

using physical::FoundFatEntry;
using physical::TPartiEntry;

struct RawScanOptions {
  std::string target;
  bool json = false;
  bool findPartitions = false;
};

// One found item's fields, gathered once for the text line or the JSON
// line and dropped after it is printed: nothing per item outlives its line.
struct RawItem {
  const char* fs = "";
  int folder = -1;
  std::string name;  // UTF-8
  bool isDir = false;
  bool deleted = false;
  int64_t size = 0;  // NTFS keeps it signed as read
  std::optional<double> created, modified, accessed;
  std::optional<uint32_t> cluster;  // FAT only
  // FAT: the sector of the first cluster, unknown without the geometry;
  // NTFS: the first cluster, or minus the record's sector.
  std::optional<int64_t> dataStart;
  const char* addressKey = "";  // "dir_sector" or "record_sector"
  uint64_t address = 0;
  bool lost = false;  // FAT: found in a directory cluster no found folder owns
};

std::optional<double> StampValue(const engine::DosDateTime& d) {
  return d.valid && d.value != 0 ? std::optional<double>(d.value) : std::nullopt;
}
std::optional<double> StampValue(double value) {
  return value != 0 ? std::optional<double>(value) : std::nullopt;
}

// Which time stamps an item needs: the text line shows only the
// modification time, and converting the other two cost a tenth of it.
enum class Stamps { kModifiedOnly, kAll };

RawItem FatItem(const TPartiEntry& entry, const FoundFatEntry& e, int folder, Stamps stamps) {
  const engine::RawDirEntry& d = e.DirEntry;
  RawItem item;
  item.fs = "fat";
  item.folder = folder;
  item.name = platform::SystemToUtf8(physical::raw::RawEntryName(e));
  item.isDir = (d.Attributes() & engine::kFatAttrDirectory) != 0;
  item.deleted = d.IsDeletedMark();
  item.size = d.FileSize();
  item.modified = StampValue(engine::FatDirEntryDate(d, engine::kDateModified));
  if (stamps == Stamps::kAll) {
    item.created = StampValue(engine::FatDirEntryDate(d, engine::kDateCreated));
    item.accessed = StampValue(engine::FatDirEntryDate(d, engine::kDateAccessed));
  }
  item.cluster = physical::raw::EntryCluster(d, entry.FatKind);
  if (const std::optional<uint64_t> start = physical::raw::ClusterSector(entry, *item.cluster))
    item.dataStart = static_cast<int64_t>(*start);
  item.addressKey = "dir_sector";
  item.address = e.DirSector;
  // Their key is no sector; where they were found is their DirCluster.
  item.lost = e.DirSector == physical::kLostEntriesSector;
  if (item.lost) {
    item.addressKey = "lost_in_cluster";
    item.address = e.DirCluster;
  }
  return item;
}

RawItem NtfsItem(const engine::tntfsfilerecord& r, int folder, Stamps stamps) {
  RawItem item;
  item.fs = "ntfs";
  item.folder = folder;
  item.name = platform::SystemToUtf8(r.Name);
  item.isDir = !engine::IsNtfsFile(r);
  item.deleted = (r.RecordFlags & 1) == 0;
  item.size = r.DataSize;
  item.modified = StampValue(engine::NtfsRecordDate(r, engine::kDateModified));
  if (stamps == Stamps::kAll) {
    item.created = StampValue(engine::NtfsRecordDate(r, engine::kDateCreated));
    item.accessed = StampValue(engine::NtfsRecordDate(r, engine::kDateAccessed));
  }
  item.dataStart = r.DataStart;
  item.addressKey = "record_sector";
  item.address = static_cast<uint64_t>(r.RecordSector);
  return item;
}

void WriteItemJson(JsonWriter& out, const RawItem& item) {
  out.BeginObject();
  out.Key("fs").String(item.fs);
  out.Key("folder").Signed(item.folder);
  out.Key("name").String(item.name);
  out.Key("is_dir").Bool(item.isDir);
  out.Key("deleted").Bool(item.deleted);
  out.Key("size").Signed(item.size);
  WriteIsoStamp(out.Key("created"), item.created);
  WriteIsoStamp(out.Key("modified"), item.modified);
  WriteIsoStamp(out.Key("accessed"), item.accessed);
  if (item.cluster) out.Key("cluster").Unsigned(*item.cluster);
  if (item.dataStart)
    out.Key("data_start").Signed(*item.dataStart);
  else
    out.Key("data_start").Null();
  out.Key(item.addressKey).Unsigned(item.address);
  if (item.lost) out.Key("lost").Bool(true);
  out.EndObject();
  out.EndLine();
}

// Appends text padded with blanks to width on the right (left-aligned) or
// on the left, as printf's "%-Ns" and "%Ns" do.
void AppendPadded(std::string& line, std::string_view text, size_t width, bool left) {
  const size_t blanks = text.size() < width ? width - text.size() : 0;
  if (!left) line.append(blanks, ' ');
  line.append(text);
  if (left) line.append(blanks, ' ');
}

// "fs  caption  dir  size  modified  name", built in one piece and written
// with one call: formatting through printf was a sixth of a large listing.
void PrintItemText(const RawItem& item, std::string& line) {
  line.clear();
  AppendPadded(line, item.fs, 4, true);
  line += "  ";
  line += item.lost ? LostEntriesCaption() : FolderCaption(item.folder);
  line += "  ";
  AppendPadded(line, item.isDir ? "dir" : "", 3, true);
  line += "  ";
  char number[24];
  const auto size = std::to_chars(number, number + sizeof number, item.size);
  AppendPadded(line, std::string_view(number, static_cast<size_t>(size.ptr - number)), 12, false);
  line += "  ";
  char stamp[32] = "-";
  const size_t stampLength = item.modified ? FormatIso(*item.modified, stamp) : 1;
  AppendPadded(line, std::string_view(stamp, stampLength), 19, true);
  line += "  ";
  AppendTerminalSafe(line, item.name);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// The first JSON line: the target, the geometry, the counts and the log.
void PrintSummaryJson(const RawTarget& target, const CollectedLog& log) {
  const TPartiEntry& entry = *target.entry;
  nlohmann::json out = DriveJson(*target.drive);
  out["entry"] = EntryJson(0, *target.drive, entry);
  out["fat_entries"] = entry.FatEntries.size();
  out["ntfs_records"] = entry.NtfsRecords.size();
  out["fat_folders"] = entry.DirSectors.size();
  out["ntfs_folders"] = entry.ParentRefs.size();
  out["geometry"] = {{"FatKind", entry.FatKind},
                     {"FatClusterSectors", entry.FatClusterSectors},
                     {"FatDataStart", nullptr},
                     {"FatDataStartKnown", entry.FatDataStart != physical::raw::kDataStartUnknown},
                     {"FatGeometryFrom", physical::raw::GeometrySourceName(entry.FatGeometryFrom)},
                     {"NtfsClusterSectors", entry.NtfsClusterSectors}};
  if (entry.FatDataStart != physical::raw::kDataStartUnknown) out["geometry"]["FatDataStart"] = entry.FatDataStart;
  out["log"] = nlohmann::json::array();
  for (const auto& line : log.lines)
    out["log"].push_back({{"text", platform::SystemToUtf8(line.text)}, {"icon", line.icon}, {"time", line.time}});
  PrintJsonLine(out);
}

// Every found item, one line each, formatted and written as it comes: the
// output of a disk of millions of items needs no more memory than one line.
template <typename Emit>
void ForEachItem(const TPartiEntry& entry, Stamps stamps, Emit&& emit) {
  const auto fatFolders = FatFolderNumbers(entry);
  for (const auto& e : entry.FatEntries) {
    const auto f = fatFolders.find(e->DirSector);
    emit(FatItem(entry, *e, f == fatFolders.end() ? -1 : f->second, stamps));
  }
  const auto ntfsFolders = NtfsFolderNumbers(entry);
  for (const auto& r : entry.NtfsRecords) {
    const auto f = ntfsFolders.find(physical::raw::ParentReference(*r));
    emit(NtfsItem(*r, f == ntfsFolders.end() ? -1 : f->second, stamps));
  }
}

int RunRawScan(CliContext& context, const RawScanOptions& options) {
  CollectedLog log;
  log.json = options.json;
  std::optional<RawTarget> target = ResolveRawTarget(context, log, options.target, options.findPartitions);
  if (!target) return kExitUsage;
  const disk::Outcome scanned = RunRawScan(context, *target);
  if (NothingScanned(scanned)) {
    std::fprintf(stderr, "tarnwell-cli: %s: nothing to scan: the landmark pass could not run\n",
                 options.target.c_str());
    return kExitUsage;
  }
  const TPartiEntry& entry = *target->entry;
  if (options.json) {
    PrintSummaryJson(*target, log);
    JsonWriter out(stdout);
    ForEachItem(entry, Stamps::kAll, [&out](const RawItem& item) { WriteItemJson(out, item); });
  } else {
    const bool startKnown = entry.FatDataStart != physical::raw::kDataStartUnknown;
    std::printf("FatKind %d  FatClusterSectors %u  FatDataStart %s  FatGeometryFrom %s  NtfsClusterSectors %u\n",
                entry.FatKind, entry.FatClusterSectors,
                startKnown ? std::to_string(entry.FatDataStart).c_str() : "- (undetermined)",
                physical::raw::GeometrySourceName(entry.FatGeometryFrom), entry.NtfsClusterSectors);
    std::string line;
    ForEachItem(entry, Stamps::kModifiedOnly, [&line](const RawItem& item) { PrintItemText(item, line); });
  }
  // The source shrank under the scan: what it found is listed, but the
  // scan is not complete (its error box was printed).
  return scanned ? kExitOk : kExitSomeFailed;
}

}  // namespace

void AddRawScanCommand(CLI::App& app, CliContext& context, int* exitCode) {
  auto* command = app.add_subcommand(
      "raw-scan", "Scan a partition, gap, found partition or volume for FAT folders and NTFS records");
  auto options = std::make_shared<RawScanOptions>();
  command->add_option("TARGET", options->target, "DRIVE:INDEX (drive code or disk image) or a drive letter")
      ->required();
  command->add_flag("--find-partitions", options->findPartitions,
                    "Search the disk for lost partitions first; INDEX counts the found ones");
  command->add_flag("--json", options->json, "JSON lines: the target, geometry, counts and log, then one line per found item");
  command->callback([&context, exitCode, options] { *exitCode = RunRawScan(context, *options); });
}

}  // namespace tarnwell::cli

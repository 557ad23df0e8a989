#include "physical/raw/directory_chunk.h"

#include <algorithm>

namespace tarnwell::physical::raw {
namespace {

// Lost clusters are read without the cluster before them, so their first
// long name may have begun there.
engine::DirSpanRules RawDirectoryRules(uint64_t keySector) {
  engine::DirSpanRules rules;
  rules.dotsEnd = rules.blankEnds = rules.malformedEnds = true;
  rules.mayStartMidName = keySector == kLostEntriesSector;
  return rules;
}

}  // namespace

uint32_t EntryCluster(const engine::RawDirEntry& entry, uint8_t fatKind) {
  return fatKind == kFat32Kind ? entry.FirstCluster32() : entry.FirstClusterLow();
}

FolderClusterParser::FolderClusterParser(uint64_t keySector, uint32_t folderCluster)
    : decoder_(RawDirectoryRules(keySector)), keySector_(keySector), folderCluster_(folderCluster) {}

DirectoryParse FolderClusterParser::Add(std::span<const uint8_t> bytes, bool skipDots,
                                        std::vector<std::unique_ptr<FoundFatEntry>>& out) {
  const size_t skipped = skipDots ? 2 : 0;
  DirectoryParse parse;
  if (bytes.size() / engine::kDirEntryBytes <= skipped) return parse;
  parse.bytesUsed = skipped * engine::kDirEntryBytes;
  parse.end = decoder_.Decode(bytes.subspan(skipped * engine::kDirEntryBytes), [&](engine::DirSlot& slot) {
    auto entry = std::make_unique<FoundFatEntry>();
    entry->DirEntry = slot.entry;
    entry->LongName = engine::TrimBlanks(slot.longName);
    entry->DirSector = keySector_;
    entry->DirCluster = folderCluster_;
    out.push_back(std::move(entry));
    parse.bytesUsed = (skipped + slot.index + 1) * engine::kDirEntryBytes;
  });
  return parse;
}

DirectoryParse ParseDirectoryBytes(std::span<const uint8_t> bytes, bool isRoot, uint8_t fatKind, uint64_t sector,
                                   std::vector<std::unique_ptr<FoundFatEntry>>& out) {
  if (bytes.size() / engine::kDirEntryBytes <= (isRoot ? 0u : 2u)) return {};
  uint32_t cluster = 2;
  if (!isRoot) {
    engine::RawDirEntry dot;
    std::copy_n(bytes.begin(), engine::kDirEntryBytes, dot.bytes.begin());
    cluster = EntryCluster(dot, fatKind);
  }
  FolderClusterParser parser(sector, cluster);
  return parser.Add(bytes, !isRoot, out);
}

}  // namespace tarnwell::physical::raw

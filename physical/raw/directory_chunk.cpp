#include "physical/raw/directory_chunk.h"

#include <algorithm>

#include "engine/fat/dir_span.h"

namespace tarnwell::physical::raw {

uint32_t EntryCluster(const engine::RawDirEntry& entry, uint8_t fatKind) {
  return fatKind == kFat32Kind ? entry.FirstCluster32() : entry.FirstClusterLow();
}

void ParseDirectoryBytes(std::span<const uint8_t> bytes, bool isRoot, uint8_t fatKind,
                         uint32_t sector, std::vector<std::unique_ptr<FoundFatEntry>>& out) {
  const size_t count = bytes.size() / engine::kDirEntryBytes;
  const size_t skipped = isRoot ? 0 : 2;
  if (count <= skipped) return;
  uint32_t cluster = 2;
  if (!isRoot) {
    engine::RawDirEntry dot;
    std::copy_n(bytes.begin(), engine::kDirEntryBytes, dot.bytes.begin());
    cluster = EntryCluster(dot, fatKind);
  }
  engine::DirSpanRules rules;
  rules.dotsEnd = rules.blankEnds = rules.malformedEnds = true;
  engine::DirSpanDecoder decoder(rules);
  decoder.Decode(bytes.subspan(skipped * engine::kDirEntryBytes), [&](engine::DirSlot& slot) {
    auto entry = std::make_unique<FoundFatEntry>();
    entry->DirEntry = slot.entry;
    entry->LongName = engine::TrimBlanks(slot.longName);
    entry->DirSector = sector;
    entry->DirCluster = cluster;
    out.push_back(std::move(entry));
  });
}

}  // namespace tarnwell::physical::raw
